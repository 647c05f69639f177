#include "surgepad/turbo/TurboSettings.h"

#include <algorithm>

#include "lumen/kora/TwOcItemProfile.h"
#include "lumen/core/WideText.h"
#include "lumen/system/WinRegistry.h"
#include "surgepad/button/SettingsStore.h"

namespace surgepad {
namespace {

constexpr char kPrograms[] = "TurboPrograms";
constexpr char kGameMode[] = "TurboInGameMode";
constexpr char kOffOnBattery[] = "TurboOffOnBattery";
constexpr char kUntil[] = "TurboUntil";
constexpr DWORD kMaxListBytes = 16 * 1024;

}  // namespace

std::vector<std::string> TurboSettings::ReadNames(const char* bytes, size_t size) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < size && names.size() < kMaxTurboPrograms) {
        const char* begin = bytes + at;
        const char* end = std::find(begin, bytes + size, '\0');
        std::string name(begin, end);
        at += name.size() + 1;
        const bool repeated = std::any_of(names.begin(), names.end(), [&name](const std::string& n) {
            return kora::EqualsIgnoringAsciiCase(n, name);
        });
        if (!name.empty() && name.size() <= kMaxProgramName && !repeated) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

// The names are kept in UTF-16, as the system names programs; in here they are UTF-8.
std::vector<std::string> TurboSettings::Programs() const {
    lumen::WinRegistry key;
    if (!key.Open(m_root, kSettingsKeyPath, false)) {
        return {};
    }
    DWORD type = 0;
    DWORD size = 0;
    const std::wstring value = lumen::Widen(kPrograms);
    if (RegQueryValueExW(key.Handle(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size > kMaxListBytes * 2) {
        return {};
    }
    std::wstring units(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Handle(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(units.data()), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    units.resize(std::min<size_t>(size / sizeof(wchar_t), units.size()));
    const std::string bytes = lumen::Utf8FromWide(units);
    return ReadNames(bytes.data(), bytes.size());
}

bool TurboSettings::SetPrograms(const std::vector<std::string>& names) const {
    lumen::WinRegistry key;
    if (!key.Open(m_root, kSettingsKeyPath, true)) {
        return false;
    }
    std::string bytes;
    for (const std::string& name : names) {
        bytes += name;
        bytes += '\0';
    }
    bytes += '\0';
    const std::wstring units = lumen::Widen(bytes);
    return RegSetValueExW(key.Handle(), lumen::Widen(kPrograms).c_str(), 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(units.data()),
                          static_cast<DWORD>(units.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<uint32_t> TurboSettings::Dword(const char* name) const {
    lumen::WinRegistry key;
    uint32_t value = 0;
    if (!key.Open(m_root, kSettingsKeyPath, false) || !key.ReadDword(name, &value)) {
        return std::nullopt;
    }
    return value;
}

bool TurboSettings::GameMode() const {
    return Dword(kGameMode).value_or(0) != 0;
}

void TurboSettings::SetGameMode(bool on) const {
    lumen::WinRegistry key;
    if (key.Open(m_root, kSettingsKeyPath, true)) {
        (void)key.WriteDword(kGameMode, on ? 1 : 0);
    }
}

bool TurboSettings::OffOnBattery() const {
    return Dword(kOffOnBattery).value_or(1) != 0;
}

void TurboSettings::SetOffOnBattery(bool on) const {
    lumen::WinRegistry key;
    if (key.Open(m_root, kSettingsKeyPath, true)) {
        (void)key.WriteDword(kOffOnBattery, on ? 1 : 0);
    }
}

std::optional<int64_t> TurboSettings::TimedEndMs() const {
    lumen::WinRegistry key;
    if (!key.Open(m_root, kSettingsKeyPath, false)) {
        return std::nullopt;
    }
    DWORD type = 0;
    uint64_t value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.Handle(), kUntil, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_QWORD || size != sizeof value || value > static_cast<uint64_t>(INT64_MAX)) {
        return std::nullopt;
    }
    return static_cast<int64_t>(value);
}

void TurboSettings::SetTimedEndMs(std::optional<int64_t> endMs) const {
    lumen::WinRegistry key;
    if (!key.Open(m_root, kSettingsKeyPath, endMs.has_value())) {
        return;
    }
    if (!endMs) {
        RegDeleteValueA(key.Handle(), kUntil);
        return;
    }
    const uint64_t value = static_cast<uint64_t>(*endMs);
    RegSetValueExA(key.Handle(), kUntil, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace surgepad
