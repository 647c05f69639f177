// Fuzz target of the translations' text handling: the growing read of the ini reader
// (lumen/system/ProfileStringRead) and the lookup rules (surgepad/LanguageLookup), with
// the ini files' values taken from the input and handed over the way the system's
// profile function does.
//
// Input: bytes 0-1 the language identifier (little-endian); byte 2 bits 0-3: the list's
// full key, its primary key, the language file and the English file have no entry;
// bits 4-6: the reader's largest buffer is 128 << n bytes. The rest, split at line
// ends: the values of the list's full key and primary key, of the key in the language
// file and in the English file, then key names for a read of the names, split at ",".
//
// A value is read whole whatever its length (cut only at the largest buffer), a name
// list too; the language is one the list names by its keys, or English; a text falls
// back to English and then to the program's own words, never to "Error 737".
//
// With bit 7 of byte 2 set, the rest of the input is a language file instead, read by
// the program's own reader (surgepad/LanguageFile): every value comes out as UTF-8
// without a zero; in a file with a UTF-8 mark a damaged line added at the end costs
// nothing of what was read before it; and a file of valid UTF-8 reads the same once
// turned into UTF-16 with its mark.
#include <string>
#include <vector>

#include "lumen/core/TextUtf8.h"
#include "lumen/system/ProfileStringRead.h"
#include "surgepad/look/LanguageFile.h"
#include "surgepad/look/LanguageLookup.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using surgepad::kMissingText;

const std::string kFolder = "C:\\Program Files\\Surgepad\\";

// The system's profile function on one value: as much as fits, with its zero; the
// count copied.
size_t SystemCopyValue(const std::string& value, char* buffer, size_t size) {
    const size_t n = value.size() < size - 1 ? value.size() : size - 1;
    value.copy(buffer, n);
    buffer[n] = '\0';
    return n;
}

// On the names of a section: each with its zero, then one more zero. When they do not
// fit, the last is cut and two zeros end the buffer; the count is then size - 2.
size_t SystemCopyNames(const std::string& names, char* buffer, size_t size) {
    if (names.size() + 1 <= size) {
        names.copy(buffer, names.size());
        buffer[names.size()] = '\0';
        return names.size();
    }
    names.copy(buffer, size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// Reads like IniAccess: a 128-byte buffer first, growing up to `maxSize`.
std::string ReadLikeTheReader(const std::string& whole, bool nameList, size_t maxSize) {
    std::vector<char> buffer(128);
    const std::string read = lumen::ReadWholeProfileString(&buffer, nameList, maxSize, [&](char* b, size_t size) {
        if (size != buffer.size() || b != buffer.data()) {
            fuzz::Fail("the call is not given the buffer");
        }
        return nameList ? SystemCopyNames(whole, b, size) : SystemCopyValue(whole, b, size);
    });
    // Whole when it fits the largest buffer; else as much of it as the buffer holds.
    const bool fits = whole.size() + (nameList ? 2 : 1) < maxSize;
    if (fits ? read != whole : whole.compare(0, read.size(), read) != 0 || read.size() + 2 < maxSize) {
        fuzz::Fail("read " + std::to_string(read.size()) + " of " + std::to_string(whole.size()) + " characters (" +
                   (nameList ? "names" : "value") + ", largest buffer " + std::to_string(maxSize) + ")");
    }
    // Doubled from 128 until the value fitted, and no further.
    const size_t needed = whole.size() + (nameList ? 2 : 1);
    if (buffer.size() > maxSize ||
        (fits && (needed >= buffer.size() || (buffer.size() > 128 && needed < buffer.size() / 2)))) {
        fuzz::Fail("buffer of " + std::to_string(buffer.size()) + " bytes");
    }
    return read;
}

bool IsUpperHex(const std::string& text, size_t digits, unsigned expected) {
    if (text.size() != digits) {
        return false;
    }
    unsigned value = 0;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value == expected;
}

// A code page as the system's stand-in: bytes up to 0x9F are themselves (as Latin-1
// would take them), anything above is not valid in it.
std::optional<std::string> FakeCodePage(std::string_view line, unsigned) {
    std::string out;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xA0) {
            return std::nullopt;
        }
        if (byte >= 0x80) {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            out += c;
        }
    }
    return out;
}

std::string Describe(const surgepad::LanguageFile::Entry& e) {
    return "[" + e.section + "] " + e.key + "=" + e.value;
}

// Valid UTF-8 as UTF-16 little-endian with its mark.
std::string Utf16WithMark(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    const auto unit = [&](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

void FuzzLanguageFile(const std::string& bytes) {
    const surgepad::LanguageFile file = surgepad::LanguageFile::Parse(bytes, FakeCodePage);
    for (const auto& entry : file.Entries()) {
        if (!lumen::IsUtf8(entry.value) || !lumen::IsUtf8(entry.key) || entry.value.find('\0') != std::string::npos) {
            fuzz::Fail("an entry that is not clean UTF-8: " + Describe(entry));
        }
    }
    const surgepad::FileEncoding encoding = file.Encoding();
    if (encoding.kind == surgepad::TextEncoding::Utf8 && encoding.byteOrderMark) {
        const surgepad::LanguageFile longer =
            surgepad::LanguageFile::Parse(bytes + "\nApply=\xE3\x81\n[Translations]\nApply=late\n", FakeCodePage);
        const auto& before = file.Entries();
        const auto& after = longer.Entries();
        if (after.size() < before.size() || longer.DamagedLines() != file.DamagedLines() + 1) {
            fuzz::Fail("a damaged line at the end cost the lines before it");
        }
        for (size_t i = 0; i < before.size(); ++i) {
            if (Describe(before[i]) != Describe(after[i])) {
                fuzz::Fail("entry " + std::to_string(i) + " changed: " + Describe(before[i]));
            }
        }
        const std::string body = bytes.substr(3);
        if (lumen::IsUtf8(body) && body.find('\0') == std::string::npos) {
            const surgepad::LanguageFile wide = surgepad::LanguageFile::Parse(Utf16WithMark(body), FakeCodePage);
            bool same = wide.Entries().size() == before.size() && wide.DamagedLines() == 0;
            for (size_t i = 0; same && i < before.size(); ++i) {
                same = Describe(before[i]) == Describe(wide.Entries()[i]);
            }
            if (!same) {
                fuzz::Fail("the file reads otherwise in UTF-16");
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    if ((data[2] & 0x80) != 0) {
        FuzzLanguageFile(std::string(reinterpret_cast<const char*>(data + 3), size - 3));
        return 0;
    }
    const uint16_t id = static_cast<uint16_t>(data[0] | (data[1] << 8));
    const uint8_t flags = data[2];
    const size_t maxSize = size_t{128} << ((flags >> 4) & 7);
    std::vector<std::string> fields;
    std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    for (size_t start = 0;;) {
        const size_t end = rest.find('\n', start);
        fields.push_back(rest.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos || fields.size() == 5) {
            break;
        }
        start = end + 1;
    }
    fields.resize(5);
    // The system stops a value at its first zero; a missing entry gives the default.
    // Each value as the reader reads it, once: the lookups below are handed these.
    std::string values[4];
    for (size_t i = 0; i < 4; ++i) {
        fields[i] = (flags >> i) & 1 ? std::string(kMissingText) : fields[i].substr(0, fields[i].find('\0'));
        values[i] = ReadLikeTheReader(fields[i], false, maxSize);
    }

    // The list's keys, asked in their order.
    const surgepad::LanguageKeys keys = surgepad::KeysOfLanguage(id);
    if (!IsUpperHex(keys.full, 4, id) || !IsUpperHex(keys.primary, 2, id & 0xFFu)) {
        fuzz::Fail("keys " + keys.full + " and " + keys.primary);
    }
    std::vector<std::string> asked;
    const std::string name = surgepad::ChooseLanguageName(id, [&](const char* key) {
        asked.push_back(key);
        return values[asked.size() == 1 ? 0 : 1];
    });
    const std::string& full = values[0];
    const std::string& primary = values[1];
    const bool fullNames = full != kMissingText && surgepad::IsPlainLanguageName(full);
    const bool primaryNames = primary != kMissingText && surgepad::IsPlainLanguageName(primary);
    const std::string expected = fullNames ? full : primaryNames ? primary : surgepad::kFallbackLanguage;
    if (asked.empty() || asked[0] != keys.full || asked.size() > 2 || (asked.size() == 2) == fullNames ||
        (asked.size() == 2 && asked[1] != keys.primary) || name != expected) {
        fuzz::Fail("language \"" + name + "\" after " + std::to_string(asked.size()) + " reads");
    }
    const std::string path = surgepad::LanguageFilePath(kFolder, name);
    if (path != kFolder + "LangFiles\\" + name + "\\" + name + ".ini" || !surgepad::IsPlainLanguageName(name)) {
        fuzz::Fail("language file " + path);
    }

    // The text: the language's file, else English, else the sentinel.
    std::vector<std::string> paths;
    const std::string text =
        surgepad::LookupText(kFolder, name, "Apply", [&](const std::string& file, const char* key) {
            if (std::string(key) != "Apply") {
                fuzz::Fail("asked for another key");
            }
            paths.push_back(file);
            return values[paths.size() == 1 ? 2 : 3];
        });
    const std::string& own = values[2];
    const std::string& english = values[3];
    const std::string wanted = own != kMissingText ? own : english != kMissingText ? english : "Apply";
    if (text != wanted || paths.empty() || paths[0] != path || (paths.size() == 2) != (own == kMissingText) ||
        (paths.size() == 2 && paths[1] != surgepad::LanguageFilePath(kFolder, surgepad::kFallbackLanguage))) {
        fuzz::Fail("text \"" + text + "\" after " + std::to_string(paths.size()) + " reads");
    }

    // The names of a section, zero-separated.
    std::string names;
    for (size_t start = 0; start < fields[4].size();) {
        size_t end = fields[4].find(',', start);
        end = end == std::string::npos ? fields[4].size() : end;
        if (end > start) {
            names += fields[4].substr(start, end - start);
            names += '\0';
        }
        start = end + 1;
    }
    ReadLikeTheReader(names, true, maxSize);
    return 0;
}
