#include "lumen/system/IniAccess.h"

#include <windows.h>

#include <new>
#include <vector>

#include "lumen/core/Report.h"

namespace lumen {

bool IniAccess::Open(const std::string& fileName) {
    LUMEN_ASSERT(!IsOpen());
    try {
        m_buffer.assign(128, '\0');
        m_fileName = fileName;
        return true;
    } catch (const std::bad_alloc&) {
        Close();
        return false;
    }
}

std::string IniAccess::ReadString(const char* section, const char* key, const char* defaultValue) {
    if (!IsOpen()) {
        return defaultValue != nullptr ? defaultValue : "";
    }
    // A value that fills the buffer may have been cut: the system then returns the
    // size less 1 (less 2 for the zero-separated name lists).
    const size_t reserve = (section == nullptr || key == nullptr) ? 2 : 1;
    while (true) {
        const DWORD n = GetPrivateProfileStringA(section, key, defaultValue, m_buffer.data(),
                                                 static_cast<DWORD>(m_buffer.size()), m_fileName.c_str());
        if (n + reserve < m_buffer.size() || m_buffer.size() >= kMaxBuffer) {
            const size_t length = n < m_buffer.size() ? n : m_buffer.size() - 1;
            return std::string(m_buffer.data(), length);
        }
        try {
            std::vector<char> bigger(m_buffer.size() * 2, '\0');
            m_buffer.swap(bigger);
        } catch (const std::bad_alloc&) {
            return std::string(m_buffer.data(), n < m_buffer.size() ? n : m_buffer.size() - 1);
        }
    }
}

void IniAccess::Close() {
    if (!m_fileName.empty()) {
        // All three absent: the system flushes and forgets its cached copy of the file.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_fileName.c_str());
    }
    m_fileName.clear();
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

}  // namespace lumen
