#pragma once
// The machine-wide power-button record: a small text file under the common application
// data, "KORA\Surgepad\PowerButton.txt", readable and writable by every account. A
// standard user cannot write the local machine's registry; the folder is made with an
// access list that lets every account change the files in it.

#include <optional>
#include <string>

#include "surgepad/ButtonRecords.h"

namespace surgepad {

class MachineButtonStore {
public:
    // The file under the common application data.
    static MachineButtonStore& Instance();
    explicit MachineButtonStore(std::string path) : m_path(std::move(path)) {}

    // Nothing when the file does not exist or cannot be read.
    std::optional<MachineButtonRecord> Read() const;
    // Replaces the file as a whole (a new file moved over the old one), so that a
    // reader never sees half a record.
    [[nodiscard]] bool Write(const MachineButtonRecord& record) const;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace surgepad
