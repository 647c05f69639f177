#include "lumen/fileutl/WinFileFind.h"

#include <cstring>

namespace lumen {

WinFileFind::~WinFileFind() {
    Close();
}

bool WinFileFind::Open(const std::string& folder) {
    Close();
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') {
        pattern += '\\';
    }
    pattern += '*';
    m_search = FindFirstFileA(pattern.c_str(), &m_data);
    if (m_search == INVALID_HANDLE_VALUE) {
        return false;
    }
    return TakeCurrent() || Next();
}

void WinFileFind::Close() {
    if (m_search != INVALID_HANDLE_VALUE) {
        FindClose(m_search);
        m_search = INVALID_HANDLE_VALUE;
    }
    m_current = FoundEntry();
}

bool WinFileFind::Next() {
    while (m_search != INVALID_HANDLE_VALUE) {
        if (!FindNextFileA(m_search, &m_data)) {
            Close();
            return false;
        }
        if (TakeCurrent()) {
            return true;
        }
    }
    return false;
}

bool WinFileFind::TakeCurrent() {
    // cFileName is MAX_PATH characters and always terminated by the system; strnlen
    // keeps a damaged entry from running past it all the same.
    const size_t length = strnlen(m_data.cFileName, sizeof m_data.cFileName);
    const std::string name(m_data.cFileName, length);
    if (name == "." || name == "..") {
        return false;
    }
    m_current.name = name;
    m_current.attributes = m_data.dwFileAttributes;
    return true;
}

std::vector<FoundEntry> ListFolder(const std::string& folder) {
    std::vector<FoundEntry> entries;
    WinFileFind find;
    if (!find.Open(folder)) {
        return entries;
    }
    do {
        entries.push_back(find.Current());
    } while (find.Next());
    return entries;
}

}  // namespace lumen
