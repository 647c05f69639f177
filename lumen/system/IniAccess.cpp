#include "lumen/system/IniAccess.h"

#include <windows.h>

#include <new>
#include <vector>

#include "lumen/core/Report.h"
#include "lumen/system/ProfileStringRead.h"

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
    return ReadWholeProfileString(&m_buffer, section == nullptr || key == nullptr, kMaxBuffer,
                                  [&](char* buffer, size_t size) -> size_t {
                                      return GetPrivateProfileStringA(section, key, defaultValue, buffer,
                                                                      static_cast<DWORD>(size), m_fileName.c_str());
                                  });
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
