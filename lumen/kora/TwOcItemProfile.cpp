#include "lumen/kora/TwOcItemProfile.h"

#include <cstdio>
#include <memory>

namespace kora {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadWord(std::FILE* f, uint32_t* word) {
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, f) != 4) {
        return false;
    }
    *word = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return true;
}

uint32_t WordAt(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool TwOcItemProfile::Load(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    uint32_t header = 0;
    uint32_t version = 0;
    uint32_t count = 0;
    if (!ReadWord(file.get(), &header) || !ReadWord(file.get(), &version) || !ReadWord(file.get(), &count)) {
        return false;
    }
    if (version > 1) {
        return false;
    }
    m_version = version;
    m_records.clear();
    if (count == 0) {
        return true;
    }
    // The count comes from the file: reserve no more than the file can hold, so a
    // corrupt count cannot exhaust memory.
    const long here = std::ftell(file.get());
    if (here < 0 || std::fseek(file.get(), 0, SEEK_END) != 0) {
        return true;
    }
    const long end = std::ftell(file.get());
    if (end < here || std::fseek(file.get(), here, SEEK_SET) != 0) {
        return true;
    }
    const uint64_t available = static_cast<uint64_t>(end - here) / 8;
    const uint64_t wanted = count < available ? count : available;
    if (wanted > kMaxProfileRecords) {
        m_records.clear();
        return false;
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(wanted) * 8);
    const size_t read = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file.get());
    m_records.reserve(read / 8);
    for (size_t at = 0; at + 8 <= read; at += 8) {
        m_records.push_back({WordAt(&bytes[at]), WordAt(&bytes[at + 4])});
    }
    return true;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

CombinedProfileList BuildCombinedProfileList(const std::vector<std::string>& firmwareNames, uint32_t profileType,
                                             const std::string& profileName, const std::vector<FolderEntry>& entries) {
    CombinedProfileList list;
    list.names = firmwareNames;
    if (profileType < firmwareNames.size()) {
        list.selected = static_cast<int>(profileType);
    }
    for (const FolderEntry& entry : entries) {
        if (entry.isDirectory) {
            continue;
        }
        const size_t dot = entry.name.rfind('.');
        const std::string extension = dot == std::string::npos ? std::string() : entry.name.substr(dot);
        if (!EqualsIgnoringAsciiCase(extension, ".oc")) {
            continue;
        }
        if (list.selected < 0 && EqualsIgnoringAsciiCase(entry.name, profileName + ".oc")) {
            list.selected = static_cast<int>(list.names.size());
        }
        list.names.push_back(entry.name.substr(0, dot));
    }
    return list;
}

}  // namespace kora
