#include "sim/TextSyntax.h"

#include <cstdio>

namespace sim::syntax {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Splits at commas outside texts.
std::vector<std::string_view> SplitMembers(std::string_view list) {
    std::vector<std::string_view> members;
    bool inText = false;
    size_t start = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == '"') {
            inText = !inText;
        } else if (list[i] == ',' && !inText) {
            members.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    members.push_back(list.substr(start));
    return members;
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool SplitTokens(std::string_view line, std::vector<std::string_view>* tokens, std::string* error) {
    tokens->clear();
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            break;
        }
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
            if (line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) {
                    *error = "text without its closing quote";
                    return false;
                }
                i = close;
            }
            ++i;
        }
        tokens->push_back(line.substr(start, i - start));
    }
    return true;
}

bool ParseNumber(std::string_view token, uint32_t* value) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        uint64_t v = 0;
        for (const char c : token.substr(2)) {
            const int d = HexDigit(c);
            if (d < 0) {
                return false;
            }
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > UINT32_MAX) {
                return false;
            }
        }
        *value = static_cast<uint32_t>(v);
        return true;
    }
    const bool negative = !token.empty() && token[0] == '-';
    if (negative) {
        token.remove_prefix(1);
    }
    if (token.empty()) {
        return false;
    }
    uint64_t v = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > (negative ? uint64_t{0x80000000} : uint64_t{UINT32_MAX})) {
            return false;
        }
    }
    *value = negative ? static_cast<uint32_t>(0 - v) : static_cast<uint32_t>(v);
    return true;
}

bool ParseNumberList(std::string_view list, std::vector<uint32_t>* values) {
    values->clear();
    for (const std::string_view member : SplitMembers(list)) {
        uint32_t v;
        if (!ParseNumber(member, &v)) {
            return false;
        }
        values->push_back(v);
    }
    return true;
}

bool ParseTextList(std::string_view list, std::vector<std::string>* texts) {
    texts->clear();
    for (const std::string_view member : SplitMembers(list)) {
        if (member.size() < 2 || member.front() != '"' || member.back() != '"') {
            return false;
        }
        const std::string_view inner = member.substr(1, member.size() - 2);
        // A package's texts end at their first zero byte: a text holding one would
        // not read back as the board lists it.
        if (inner.find('"') != std::string_view::npos || inner.find('\0') != std::string_view::npos) {
            return false;
        }
        texts->emplace_back(inner);
    }
    return true;
}

std::string Hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string Quoted(std::string_view token) {
    constexpr size_t kShown = 40;
    std::string out = "\"";
    for (const char c : token.substr(0, kShown)) {
        // A message line stays one printable line whatever bytes the file holds.
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    if (token.size() > kShown) {
        out += "...";
    }
    return out + "\"";
}

}  // namespace sim::syntax
