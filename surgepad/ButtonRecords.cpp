#include "surgepad/ButtonRecords.h"

#include <charconv>

namespace surgepad {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

std::optional<uint32_t> Number(std::string_view word) {
    uint32_t value = 0;
    const char* end = word.data() + word.size();
    const auto [at, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc() || at != end) {
        return std::nullopt;
    }
    return value;
}

// A scheme id as the record writes it: "{" 36 characters "}", nothing that would break
// the line.
bool IsSchemeId(std::string_view word) {
    if (word.size() != 38 || word.front() != '{' || word.back() != '}') {
        return false;
    }
    for (const char c : word.substr(1, 36)) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex && c != '-') {
            return false;
        }
    }
    return true;
}

bool IsAccountId(std::string_view word) {
    if (word.empty() || word.size() > 64) {
        return false;
    }
    for (const char c : word) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
        if (!plain) {
            return false;
        }
    }
    return true;
}

void PutWord(std::vector<uint8_t>* bytes, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<uint8_t>(word >> shift));
    }
}

uint32_t GetWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

std::string FormatMachineButtonRecord(const MachineButtonRecord& record) {
    std::string text = "# The system's power-button setting to give back, kept by Surgepad for every account\n";
    if (record.saved) {
        text += "saved " + std::to_string(record.saved->first) + " " + std::to_string(record.saved->second) + "\n";
    }
    for (const auto& [scheme, index] : record.schemes) {
        if (IsSchemeId(scheme)) {
            text += "scheme " + scheme + " " + std::to_string(index) + "\n";
        }
    }
    if (IsAccountId(record.holder)) {
        text += "holder " + record.holder + "\n";
    }
    return text;
}

MachineButtonRecord ParseMachineButtonRecord(std::string_view text) {
    MachineButtonRecord record;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        if (words[0] == "saved" && words.size() == 3) {
            const auto action = Number(words[1]);
            const auto event = Number(words[2]);
            if (action && event) {
                record.saved = std::make_pair(*action, *event);
            }
        } else if (words[0] == "scheme" && words.size() == 3 && IsSchemeId(words[1])) {
            if (const auto index = Number(words[2])) {
                record.schemes[std::string(words[1])] = *index;
            }
        } else if (words[0] == "holder" && words.size() == 2 && IsAccountId(words[1])) {
            record.holder = std::string(words[1]);
        }
    }
    return record;
}

std::vector<uint8_t> EncodeValueList(const kora::OcValueList& list) {
    std::vector<uint8_t> bytes;
    bytes.reserve(list.size() * 8);
    for (const kora::tagTwOcItemValue& pair : list) {
        PutWord(&bytes, pair.id);
        PutWord(&bytes, pair.value);
    }
    return bytes;
}

std::optional<kora::OcValueList> DecodeValueList(const uint8_t* data, size_t size) {
    if (size % 8 != 0 || (size > 0 && data == nullptr)) {
        return std::nullopt;
    }
    kora::OcValueList list;
    for (size_t at = 0; at < size; at += 8) {
        list.push_back({GetWord(data + at), GetWord(data + at + 4)});
    }
    return list;
}

TurboRecordReading ReadTurboRecord(const std::optional<kora::OcValueList>& recordedStartup,
                                   const kora::OcValueList& current) {
    if (!recordedStartup || recordedStartup->empty()) {
        return TurboRecordReading::kNone;
    }
    // A value that could not be read at one of the two moments is not compared: the
    // lists are compared on the items both hold, in their order.
    auto only = [](const kora::OcValueList& list, const kora::OcValueList& ids) {
        kora::OcValueList kept;
        for (const kora::tagTwOcItemValue& pair : list) {
            for (const kora::tagTwOcItemValue& other : ids) {
                if (other.id == pair.id) {
                    kept.push_back(pair);
                    break;
                }
            }
        }
        return kept;
    };
    const kora::OcValueList recorded = only(*recordedStartup, current);
    const kora::OcValueList now = only(current, *recordedStartup);
    return !recorded.empty() && recorded == now ? TurboRecordReading::kDrop : TurboRecordReading::kResumeTurbo;
}

}  // namespace surgepad
