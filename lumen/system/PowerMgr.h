#pragma once
// The system's power-scheme functions, bound at run time so that the program also
// starts on systems that lack them. Both libraries are loaded by full path from the
// system folder; the binding is available only when all 16 entries were found.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "lumen/core/Handle.h"

namespace lumen {

class VistaPowerManage {
public:
    using PowerGetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
    using PowerSetActiveSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
    using PowerEnumerateFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, DWORD, ULONG, UCHAR*, DWORD*);
    using PowerWriteACValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
    using PowerReadACValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);

    // The entries the program calls. The system's come from "Powrprof.dll"; a test
    // gives the entries of a system of its own.
    struct Entries {
        PowerGetActiveSchemeFn getActiveScheme = nullptr;
        PowerSetActiveSchemeFn setActiveScheme = nullptr;
        PowerEnumerateFn enumerate = nullptr;
        PowerReadACValueIndexFn readACValueIndex = nullptr;
        PowerWriteACValueIndexFn writeACValueIndex = nullptr;
    };

    // The process-wide binding, made on first use and never destroyed.
    static VistaPowerManage& Instance();

    // The system's libraries.
    VistaPowerManage();
    // Available when every entry is given.
    explicit VistaPowerManage(const Entries& entries);
    ~VistaPowerManage();
    VistaPowerManage(const VistaPowerManage&) = delete;
    VistaPowerManage& operator=(const VistaPowerManage&) = delete;

    bool IsAvailable() const { return m_available; }

    // The active scheme's id; false when unavailable or the system refuses.
    [[nodiscard]] bool GetActiveScheme(GUID* scheme);
    bool SetActiveScheme(const GUID& scheme);
    // The system error code of the read (0 = success); ERROR_INVALID_FUNCTION when the
    // binding is unavailable.
    uint32_t ReadACValueIndex(const GUID& scheme, const GUID& subgroup, const GUID& setting, uint32_t* value);
    uint32_t WriteACValueIndex(const GUID& scheme, const GUID& subgroup, const GUID& setting, uint32_t value);
    // The ids of the system's power schemes, custom ones included; empty when unavailable.
    std::vector<GUID> EnumerateSchemes();

private:
    using PowerDuplicateSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*, GUID**);
    using PowerReadFriendlyNameFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD*);
    using PowerWriteFriendlyNameFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD);
    using PowerRestoreDefaultPowerSchemesFn = DWORD(WINAPI*)(void);
    using PowerRestoreIndividualDefaultPowerSchemeFn = DWORD(WINAPI*)(const GUID*);
    using PowerDeleteSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
    using PowerReadDescriptionFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD*);
    using PowerWriteDescriptionFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, UCHAR*, DWORD);
    using PowerImportPowerSchemeFn = DWORD(WINAPI*)(HKEY, const WCHAR*, GUID**);
    using RegisterPowerSettingNotificationFn = HANDLE(WINAPI*)(HANDLE, const GUID*, DWORD);
    using UnregisterPowerSettingNotificationFn = BOOL(WINAPI*)(HANDLE);

    void Unload();

    bool m_available = false;
    lumen::UniqueModule m_powrprof;
    lumen::UniqueModule m_user32;
    PowerDuplicateSchemeFn m_powerDuplicateScheme = nullptr;
    PowerReadFriendlyNameFn m_powerReadFriendlyName = nullptr;
    PowerWriteFriendlyNameFn m_powerWriteFriendlyName = nullptr;
    PowerRestoreDefaultPowerSchemesFn m_powerRestoreDefaultPowerSchemes = nullptr;
    PowerRestoreIndividualDefaultPowerSchemeFn m_powerRestoreIndividualDefaultPowerScheme = nullptr;
    PowerGetActiveSchemeFn m_powerGetActiveScheme = nullptr;
    PowerSetActiveSchemeFn m_powerSetActiveScheme = nullptr;
    PowerDeleteSchemeFn m_powerDeleteScheme = nullptr;
    PowerReadDescriptionFn m_powerReadDescription = nullptr;
    PowerWriteDescriptionFn m_powerWriteDescription = nullptr;
    PowerImportPowerSchemeFn m_powerImportPowerScheme = nullptr;
    PowerEnumerateFn m_powerEnumerate = nullptr;
    PowerWriteACValueIndexFn m_powerWriteACValueIndex = nullptr;
    PowerReadACValueIndexFn m_powerReadACValueIndex = nullptr;
    RegisterPowerSettingNotificationFn m_registerPowerSettingNotification = nullptr;
    UnregisterPowerSettingNotificationFn m_unregisterPowerSettingNotification = nullptr;
};

}  // namespace lumen
