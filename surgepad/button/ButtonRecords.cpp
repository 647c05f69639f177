#include "surgepad/button/ButtonRecords.h"

#include <charconv>

#include "surgepad/button/ButtonPlan.h"

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

void PutWord(std::vector<uint8_t>* bytes, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes->push_back(static_cast<uint8_t>(word >> shift));
    }
}

uint32_t GetWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

std::optional<uint64_t> Turn(std::string_view word) {
    uint64_t value = 0;
    const char* end = word.data() + word.size();
    const auto [at, error] = std::from_chars(word.data(), end, value);
    if (error != std::errc() || at != end || value > kLargestTurn) {
        return std::nullopt;
    }
    return value;
}

std::string SettingLines(const std::optional<std::pair<uint32_t, uint32_t>>& saved,
                         const std::map<std::string, uint32_t>& schemes) {
    std::string text;
    if (saved) {
        text += "saved " + std::to_string(saved->first) + " " + std::to_string(saved->second) + "\n";
    }
    for (const auto& [scheme, index] : schemes) {
        if (IsSchemeId(scheme) && index <= kLargestRecordedAction) {
            text += "scheme " + scheme + " " + std::to_string(index) + "\n";
        }
    }
    return text;
}

}  // namespace

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

std::string FormatAccountButtonRecord(const AccountButtonRecord& record) {
    std::string text = "# What this account's copy of Surgepad did last with the system's power button\n";
    text += "turn " + std::to_string(record.turn) + "\n";
    text += SettingLines(record.saved, record.schemes);
    text += record.holds ? "holds 1\n" : "holds 0\n";
    text += std::string(kRecordEnd) + "\n";
    return text;
}

std::optional<AccountButtonRecord> ParseAccountButtonRecord(std::string_view text) {
    AccountButtonRecord record;
    bool turn = false;
    bool holds = false;
    bool ended = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty() || words[0].front() == '#') {
            continue;
        }
        if (ended) {
            return std::nullopt;  // nothing may follow the end
        }
        if (words[0] == "turn" && words.size() == 2 && !turn) {
            const auto value = Turn(words[1]);
            if (!value) {
                return std::nullopt;
            }
            record.turn = *value;
            turn = true;
        } else if (words[0] == "saved" && words.size() == 3 && !record.saved) {
            const auto action = Number(words[1]);
            const auto event = Number(words[2]);
            if (!action || !event || !IsDefinedLibraryPair(*action, *event)) {
                return std::nullopt;
            }
            record.saved = std::make_pair(*action, *event);
        } else if (words[0] == "scheme" && words.size() == 3 && IsSchemeId(words[1])) {
            const auto index = Number(words[2]);
            if (!index || *index > kLargestRecordedAction || !record.schemes.emplace(words[1], *index).second) {
                return std::nullopt;
            }
        } else if (words[0] == "holds" && words.size() == 2 && (words[1] == "0" || words[1] == "1") && !holds) {
            record.holds = words[1] == "1";
            holds = true;
        } else if (words[0] == kRecordEnd && words.size() == 1) {
            ended = true;
        } else {
            return std::nullopt;
        }
    }
    if (!turn || !holds || !ended) {
        return std::nullopt;
    }
    return record;
}

MachineButtonRecord MergeButtonRecords(const std::optional<MachineButtonRecord>& older,
                                       const std::map<std::string, AccountButtonRecord>& accounts) {
    MachineButtonRecord merged = older.value_or(MachineButtonRecord{});
    merged.turn = 0;
    // The newest record by (turn, account id): the map is in account order, so a later
    // account of the same turn wins.
    const std::pair<const std::string, AccountButtonRecord>* newest = nullptr;
    const std::pair<const std::string, AccountButtonRecord>* newestSaved = nullptr;
    // The earlier version's holder holds until its account writes a record of its own.
    if (!merged.holder.empty() && accounts.count(merged.holder) == 0) {
        merged.holding.push_back(merged.holder);
    }
    for (const auto& entry : accounts) {
        if (entry.second.holds) {
            merged.holding.push_back(entry.first);
        }
        if (newest == nullptr || entry.second.turn >= newest->second.turn) {
            newest = &entry;
        }
        if (entry.second.saved && (newestSaved == nullptr || entry.second.turn >= newestSaved->second.turn)) {
            newestSaved = &entry;
        }
    }
    if (newest != nullptr) {
        merged.holder = newest->second.holds ? newest->first : std::string();
        merged.turn = newest->second.turn;
    }
    if (newestSaved != nullptr) {
        merged.saved = newestSaved->second.saved;
        merged.schemes = newestSaved->second.schemes;
    }
    return merged;
}

std::string FormatMachineButtonRecord(const MachineButtonRecord& record) {
    std::string text = "# The system's power-button setting to give back, kept by Surgepad for every account\n";
    text += SettingLines(record.saved, record.schemes);
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
            if (action && event && IsDefinedLibraryPair(*action, *event)) {
                record.saved = std::make_pair(*action, *event);
            }
        } else if (words[0] == "scheme" && words.size() == 3 && IsSchemeId(words[1])) {
            if (const auto index = Number(words[2]); index && *index <= kLargestRecordedAction) {
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
    auto byItem = [](const kora::OcValueList& list) {
        std::map<uint32_t, std::vector<uint32_t>> values;
        for (const kora::tagTwOcItemValue& pair : list) {
            values[pair.id].push_back(pair.value);
        }
        return values;
    };
    const auto recorded = byItem(*recordedStartup);
    const auto now = byItem(current);
    size_t compared = 0;
    for (const auto& [id, values] : recorded) {
        const auto found = now.find(id);
        if (found == now.end()) {
            continue;
        }
        if (found->second != values) {
            return TurboRecordReading::kResumeTurbo;
        }
        ++compared;
    }
    return compared > 0 ? TurboRecordReading::kDrop : TurboRecordReading::kResumeTurbo;
}

}  // namespace surgepad
