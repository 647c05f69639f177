#pragma once
// A reader of one profile (ini) file through the system's profile functions, with a
// result buffer that grows until a value fits.

#include <string>
#include <vector>

namespace lumen {

class IniAccess {
public:
    // The buffer stops growing here; a longer value comes back cut to this size.
    static constexpr size_t kMaxBuffer = size_t{1} << 20;

    IniAccess() = default;
    IniAccess(const IniAccess&) = delete;
    IniAccess& operator=(const IniAccess&) = delete;
    ~IniAccess() { Close(); }

    // Remembers the file and makes a 128-byte buffer; the file itself is not touched
    // (a missing file only makes every read give its default). Opening an open
    // reader is a programming error.
    [[nodiscard]] bool Open(const std::string& fileName);
    // The value of key in section, read whole, or `defaultValue`. A null section or
    // key reads the names of the sections or keys, zero-separated.
    std::string ReadString(const char* section, const char* key, const char* defaultValue);
    // Lets the system drop its cached copy of the file, then forgets it.
    void Close();
    bool IsOpen() const { return !m_buffer.empty(); }
    const std::string& FileName() const { return m_fileName; }
    size_t BufferSize() const { return m_buffer.size(); }

private:
    std::string m_fileName;
    std::vector<char> m_buffer;
};

}  // namespace lumen
