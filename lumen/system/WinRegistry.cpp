#include "lumen/system/WinRegistry.h"

#include <vector>

#include "lumen/core/Report.h"

namespace lumen {

WinRegistry::~WinRegistry() {
    Close();
}

bool WinRegistry::Open(HKEY root, const std::string& path, bool create) {
    LUMEN_ASSERT(!IsOpen());
    HKEY key = nullptr;
    LSTATUS status;
    if (create) {
        DWORD disposition = 0;
        status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                 &disposition);
    } else {
        status = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    m_key = key;
    m_owns = true;
    m_open = true;
    return true;
}

void WinRegistry::Close() {
    if (m_owns && m_key != nullptr) {
        RegCloseKey(m_key);
    }
    m_key = nullptr;
    m_owns = false;
    m_open = false;
}

bool WinRegistry::WriteDword(const std::string& name, uint32_t value) {
    if (!m_open) {
        return false;
    }
    const DWORD data = value;
    return RegSetValueExA(m_key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

bool WinRegistry::ReadDword(const std::string& name, uint32_t* value) {
    if (!m_open) {
        return false;
    }
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    // A value larger than four bytes fails with ERROR_MORE_DATA and so reads as missing.
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    *value = data;
    return true;
}

bool WinRegistry::WriteString(const std::string& name, const std::string& text) {
    if (!m_open) {
        return false;
    }
    return RegSetValueExA(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool WinRegistry::ReadString(const std::string& name, std::string* text) {
    if (!m_open) {
        return false;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
        return false;
    }
    // The stored bytes need not end in a zero; the extra byte guarantees one.
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)) {
        return false;
    }
    buffer[size] = '\0';
    *text = buffer.data();
    return true;
}

}  // namespace lumen
