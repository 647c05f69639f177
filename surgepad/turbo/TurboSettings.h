#pragma once
// The settings of automatic turbo, in the program's settings key beside the others:
// "TurboPrograms" (REG_MULTI_SZ, the listed programs' executable names),
// "TurboInGameMode" and "TurboOffOnBattery" (DWORD 0 or 1; off and on by default) and
// "TurboUntil" (REG_QWORD, the end of a timed turbo in ms since 1970, UTC; present only
// while one counts). Every call opens the key, acts and closes it, as the store does.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace surgepad {

// At most this many programs are listed; names are at most kMaxProgramName bytes.
inline constexpr size_t kMaxTurboPrograms = 64;
inline constexpr size_t kMaxProgramName = 63;

class TurboSettings {
public:
    // Under `root` (the settings store's root), the settings key.
    explicit TurboSettings(HKEY root) : m_root(root) {}

    // Names as stored, without empty, overlong or repeated (case-blind) ones; a damaged
    // value gives what can be read of it.
    std::vector<std::string> Programs() const;
    bool SetPrograms(const std::vector<std::string>& names) const;
    bool GameMode() const;
    void SetGameMode(bool on) const;
    bool OffOnBattery() const;
    void SetOffOnBattery(bool on) const;
    std::optional<int64_t> TimedEndMs() const;
    void SetTimedEndMs(std::optional<int64_t> endMs) const;

    // The names of a REG_MULTI_SZ's bytes, whatever shape they are in.
    static std::vector<std::string> ReadNames(const char* bytes, size_t size);

private:
    std::optional<uint32_t> Dword(const char* name) const;

    HKEY m_root;
};

}  // namespace surgepad
