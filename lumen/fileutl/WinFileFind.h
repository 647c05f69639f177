#pragma once
// The entries of one folder as the system lists them (FindFirstFileA / FindNextFileA),
// without descending into sub-folders. "." and ".." are passed over.

#include <windows.h>

#include <string>
#include <vector>

namespace lumen {

struct FoundEntry {
    std::string name;  // the entry's name, without the folder
    DWORD attributes = 0;
    bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

class WinFileFind {
public:
    WinFileFind() = default;
    WinFileFind(const WinFileFind&) = delete;
    WinFileFind& operator=(const WinFileFind&) = delete;
    ~WinFileFind();

    // Starts the listing of `folder` (with or without a trailing backslash). False when
    // the folder cannot be listed or holds nothing but "." and "..".
    [[nodiscard]] bool Open(const std::string& folder);
    void Close();
    bool IsOpen() const { return m_search != INVALID_HANDLE_VALUE; }

    // The current entry; only while IsOpen().
    const FoundEntry& Current() const { return m_current; }
    // Moves to the next entry; false (and closed) at the end.
    bool Next();

private:
    // Reads the search's current data into m_current; false for "." and "..".
    bool TakeCurrent();

    HANDLE m_search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA m_data = {};
    FoundEntry m_current;
};

// Every entry of `folder`, in the system's order; empty when it cannot be listed.
std::vector<FoundEntry> ListFolder(const std::string& folder);

}  // namespace lumen
