#pragma once
// Overclocking profile files (".oc") written by the companion overclocking tool, and
// the combined profile list the settings window shows.
//
// File layout, little-endian, no padding: header word (not interpreted), version
// (0 and 1 accepted), record count N, then N records of (item id, value), in the
// order they are to be written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kora {

struct tagTwOcItemValue {
    uint32_t id;
    uint32_t value;
    bool operator==(const tagTwOcItemValue&) const = default;
};
using OcValueList = std::vector<tagTwOcItemValue>;

// The most records a profile may hold. A firmware describes its overclocking group in
// one 4096-byte package, so no board has more than a few hundred values (one per core
// for the ratio included); a file with more is none of ours, and writing it record by
// record would hold a switch for hours.
inline constexpr uint32_t kMaxProfileRecords = 4096;

class TwOcItemProfile {
public:
    // True when the header reads and the version is 0 or 1. A file shorter than its
    // count promises yields the records that are complete; more than
    // kMaxProfileRecords complete records make the file no profile (false).
    [[nodiscard]] bool Load(const std::string& path);

    uint32_t Version() const { return m_version; }
    size_t Count() const { return m_records.size(); }
    const tagTwOcItemValue& Record(size_t i) const { return m_records.at(i); }
    const OcValueList& Records() const { return m_records; }

private:
    uint32_t m_version = 0;
    OcValueList m_records;
};

// One entry of the profile folder as the system lists it.
struct FolderEntry {
    std::string name;
    bool isDirectory = false;
};

struct CombinedProfileList {
    std::vector<std::string> names;  // firmware names, then profile files' base names
    int selected = -1;               // -1: nothing selected
};

// The firmware profile names followed by the ".oc" files of the folder (extension
// compared ignoring ASCII case, directories skipped), and the position the settings
// "ProfileType" / "ProfileName" select.
CombinedProfileList BuildCombinedProfileList(const std::vector<std::string>& firmwareNames, uint32_t profileType,
                                             const std::string& profileName, const std::vector<FolderEntry>& entries);

// ASCII-only case folding, as the profile list compares names: A-Z become a-z and
// nothing else changes, whatever the system's code page.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace kora
