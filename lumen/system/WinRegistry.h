#pragma once
// A registry key: opened (or created) by path under a root key, read and written by
// value name, closed by its owner. Used by the settings store, the calibration flag
// and the power-feature library's gear thresholds.

#include <windows.h>

#include <cstdint>
#include <string>

namespace lumen {

class WinRegistry {
public:
    WinRegistry() = default;
    WinRegistry(const WinRegistry&) = delete;
    WinRegistry& operator=(const WinRegistry&) = delete;
    ~WinRegistry();

    // Opens root\path with full access; with `create` the key is made (non-volatile)
    // when missing. Opening an object that is already open is a programming error.
    [[nodiscard]] bool Open(HKEY root, const std::string& path, bool create);
    // Closes the handle when this object opened it.
    void Close();
    bool IsOpen() const { return m_open; }
    HKEY Handle() const { return m_key; }

    [[nodiscard]] bool WriteDword(const std::string& name, uint32_t value);
    // True only when the value exists and is a REG_DWORD.
    [[nodiscard]] bool ReadDword(const std::string& name, uint32_t* value);
    // Stores REG_SZ, the terminating zero included.
    [[nodiscard]] bool WriteString(const std::string& name, const std::string& text);
    // Accepts REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ (the latter up to its first zero).
    [[nodiscard]] bool ReadString(const std::string& name, std::string* text);

private:
    HKEY m_key = nullptr;
    bool m_owns = false;
    bool m_open = false;
};

}  // namespace lumen
