#include "surgepad/look/LanguageFile.h"

#include <utf8.h>

#include <iterator>

#include "lumen/core/TextUtf8.h"

namespace surgepad {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr unsigned kUtf8CodePage = 65001;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Calls `each` with every line of `text` (split at LF, a CR before it dropped).
template <class Each>
void ForEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        each(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

// A section header's name, or nothing when the line is none.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The lines of a UTF-16 text as UTF-8; a line with a lone surrogate, a zero or a cut
// last unit comes as nothing.
template <class Each>
void ForEachUtf16Line(std::string_view body, bool bigEndian, Each each) {
    std::u16string line;
    bool damaged = false;
    const auto flush = [&] {
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        std::string utf8;
        if (!damaged) {
            try {
                utf8::utf16to8(line.begin(), line.end(), std::back_inserter(utf8));
            } catch (const utf8::exception&) {
                damaged = true;
            }
        }
        each(damaged ? std::nullopt : std::optional<std::string>(std::move(utf8)));
        line.clear();
        damaged = false;
    };
    const size_t units = body.size() / 2;
    for (size_t i = 0; i < units; ++i) {
        const auto hi = static_cast<unsigned char>(body[2 * i + (bigEndian ? 0 : 1)]);
        const auto lo = static_cast<unsigned char>(body[2 * i + (bigEndian ? 1 : 0)]);
        const auto unit = static_cast<char16_t>((hi << 8) | lo);
        if (unit == u'\n') {
            flush();
            continue;
        }
        damaged = damaged || unit == 0;
        line.push_back(unit);
    }
    if (body.size() % 2 != 0) {
        damaged = true;
    }
    if (!line.empty() || damaged) {
        flush();
    }
}

}  // namespace

unsigned DeclaredCodePage(std::string_view value) {
    value = Trim(value);
    if (EqualNoCase(value, "utf-8") || EqualNoCase(value, "utf8")) {
        return kUtf8CodePage;
    }
    for (const std::string_view prefix : {"windows-", "cp"}) {
        if (value.size() > prefix.size() && EqualNoCase(value.substr(0, prefix.size()), prefix)) {
            value.remove_prefix(prefix.size());
            break;
        }
    }
    if (value.empty() || value.size() > 5) {
        return 0;
    }
    unsigned number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

FileEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.substr(0, 3) == kUtf8Bom) {
        return {TextEncoding::Utf8, 0, true};
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        return {TextEncoding::Utf16Le, 0, true};
    }
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        return {TextEncoding::Utf16Be, 0, true};
    }
    // Every code page the system reads profile files in keeps the ASCII letters, and
    // none uses a line feed inside a character: the declaration reads before decoding.
    FileEncoding found;
    bool inLanguage = false;
    bool declared = false;
    ForEachLine(bytes, [&](std::string_view line) {
        if (const auto section = SectionName(line)) {
            inLanguage = EqualNoCase(*section, "Language");
            return;
        }
        const size_t equals = line.find('=');
        if (declared || !inLanguage || equals == std::string_view::npos ||
            !EqualNoCase(Trim(line.substr(0, equals)), "Encoding")) {
            return;
        }
        declared = true;
        const unsigned codePage = DeclaredCodePage(line.substr(equals + 1));
        if (codePage == kUtf8CodePage) {
            found = {TextEncoding::Utf8, 0, false};
        } else if (codePage != 0) {
            found = {TextEncoding::CodePage, codePage, false};
        }
    });
    // Text of a code page beyond ASCII is hardly ever valid UTF-8 as a whole, so such a
    // file is UTF-8 saved without its mark, as most editors save it.
    if (!declared && !IsAscii(bytes) && lumen::IsUtf8(bytes)) {
        found = {TextEncoding::Utf8, 0, false};
    }
    return found;
}

LanguageFile LanguageFile::Parse(std::string_view bytes, const CodePageDecoder& decode) {
    LanguageFile file;
    file.m_encoding = DetectEncoding(bytes);
    std::string section;
    const auto take = [&](const std::optional<std::string>& line) {
        if (line && line->find('\0') == std::string::npos) {
            file.AddLine(*line, section);
        } else {
            ++file.m_damaged;
        }
    };
    switch (file.m_encoding.kind) {
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be:
            ForEachUtf16Line(bytes.substr(2), file.m_encoding.kind == TextEncoding::Utf16Be, take);
            break;
        case TextEncoding::Utf8:
            ForEachLine(bytes.substr(file.m_encoding.byteOrderMark ? kUtf8Bom.size() : 0), [&](std::string_view line) {
                take(lumen::IsUtf8(line) ? std::optional<std::string>(line) : std::nullopt);
            });
            break;
        case TextEncoding::CodePage:
            ForEachLine(bytes, [&](std::string_view line) {
                if (IsAscii(line)) {
                    take(std::string(line));
                } else {
                    std::optional<std::string> decoded;
                    if (decode) {
                        decoded = decode(line, file.m_encoding.codePage);
                    }
                    take(decoded && lumen::IsUtf8(*decoded) ? decoded : std::nullopt);
                }
            });
            break;
    }
    return file;
}

void LanguageFile::AddLine(std::string_view line, std::string& section) {
    if (const auto name = SectionName(line)) {
        section = *name;
        return;
    }
    const std::string_view trimmed = Trim(line);
    const size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed.front() == ';' || equals == std::string_view::npos) {
        return;
    }
    const std::string_view key = Trim(trimmed.substr(0, equals));
    std::string_view value = Trim(trimmed.substr(equals + 1));
    if (key.empty()) {
        return;
    }
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    m_entries.push_back(Entry{section, std::string(key), std::string(value)});
}

std::optional<std::string> LanguageFile::Value(std::string_view section, std::string_view key) const {
    for (const Entry& entry : m_entries) {
        if (EqualNoCase(entry.section, section) && EqualNoCase(entry.key, key)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

}  // namespace surgepad
