#include "lumen/system/PowerMgr.h"

#include <string>

#include "lumen/system/ModuleEntry.h"
#include "lumen/system/ProgramFolder.h"

namespace lumen {

VistaPowerManage& VistaPowerManage::Instance() {
    static VistaPowerManage* const instance = new VistaPowerManage;
    return *instance;
}

VistaPowerManage::VistaPowerManage() {
    const std::string folder = SystemFolder();
    // By full path: a "Powrprof.dll" beside the program must not stand in for the system's.
    m_powrprof.reset(LoadLibraryA((folder + "\\Powrprof.dll").c_str()));
    m_user32.reset(LoadLibraryA((folder + "\\user32.dll").c_str()));
    if (!m_powrprof || !m_user32) {
        Unload();
        return;
    }
    bool complete = true;
    auto find = [&complete](HMODULE module, const char* name) -> FARPROC {
        const FARPROC proc = GetProcAddress(module, name);
        complete = complete && proc != nullptr;
        return proc;
    };
    m_powerDuplicateScheme = ProcAs<PowerDuplicateSchemeFn>(find(m_powrprof.get(), "PowerDuplicateScheme"));
    m_powerReadFriendlyName = ProcAs<PowerReadFriendlyNameFn>(find(m_powrprof.get(), "PowerReadFriendlyName"));
    m_powerWriteFriendlyName = ProcAs<PowerWriteFriendlyNameFn>(find(m_powrprof.get(), "PowerWriteFriendlyName"));
    m_powerRestoreDefaultPowerSchemes =
        ProcAs<PowerRestoreDefaultPowerSchemesFn>(find(m_powrprof.get(), "PowerRestoreDefaultPowerSchemes"));
    m_powerRestoreIndividualDefaultPowerScheme = ProcAs<PowerRestoreIndividualDefaultPowerSchemeFn>(
        find(m_powrprof.get(), "PowerRestoreIndividualDefaultPowerScheme"));
    m_powerGetActiveScheme = ProcAs<PowerGetActiveSchemeFn>(find(m_powrprof.get(), "PowerGetActiveScheme"));
    m_powerSetActiveScheme = ProcAs<PowerSetActiveSchemeFn>(find(m_powrprof.get(), "PowerSetActiveScheme"));
    m_powerDeleteScheme = ProcAs<PowerDeleteSchemeFn>(find(m_powrprof.get(), "PowerDeleteScheme"));
    m_powerReadDescription = ProcAs<PowerReadDescriptionFn>(find(m_powrprof.get(), "PowerReadDescription"));
    m_powerWriteDescription = ProcAs<PowerWriteDescriptionFn>(find(m_powrprof.get(), "PowerWriteDescription"));
    m_powerImportPowerScheme = ProcAs<PowerImportPowerSchemeFn>(find(m_powrprof.get(), "PowerImportPowerScheme"));
    m_powerEnumerate = ProcAs<PowerEnumerateFn>(find(m_powrprof.get(), "PowerEnumerate"));
    m_powerWriteACValueIndex = ProcAs<PowerWriteACValueIndexFn>(find(m_powrprof.get(), "PowerWriteACValueIndex"));
    m_powerReadACValueIndex = ProcAs<PowerReadACValueIndexFn>(find(m_powrprof.get(), "PowerReadACValueIndex"));
    m_registerPowerSettingNotification =
        ProcAs<RegisterPowerSettingNotificationFn>(find(m_user32.get(), "RegisterPowerSettingNotification"));
    m_unregisterPowerSettingNotification =
        ProcAs<UnregisterPowerSettingNotificationFn>(find(m_user32.get(), "UnregisterPowerSettingNotification"));
    if (!complete) {
        Unload();
        return;
    }
    m_available = true;
}

VistaPowerManage::VistaPowerManage(const Entries& entries)
    : m_available(entries.getActiveScheme != nullptr && entries.setActiveScheme != nullptr &&
                  entries.enumerate != nullptr && entries.readACValueIndex != nullptr &&
                  entries.writeACValueIndex != nullptr),
      m_powerGetActiveScheme(entries.getActiveScheme),
      m_powerSetActiveScheme(entries.setActiveScheme),
      m_powerEnumerate(entries.enumerate),
      m_powerWriteACValueIndex(entries.writeACValueIndex),
      m_powerReadACValueIndex(entries.readACValueIndex) {}

VistaPowerManage::~VistaPowerManage() {
    Unload();
}

void VistaPowerManage::Unload() {
    m_available = false;
    m_powrprof.reset();
    m_user32.reset();
    m_powerDuplicateScheme = nullptr;
    m_powerReadFriendlyName = nullptr;
    m_powerWriteFriendlyName = nullptr;
    m_powerRestoreDefaultPowerSchemes = nullptr;
    m_powerRestoreIndividualDefaultPowerScheme = nullptr;
    m_powerGetActiveScheme = nullptr;
    m_powerSetActiveScheme = nullptr;
    m_powerDeleteScheme = nullptr;
    m_powerReadDescription = nullptr;
    m_powerWriteDescription = nullptr;
    m_powerImportPowerScheme = nullptr;
    m_powerEnumerate = nullptr;
    m_powerWriteACValueIndex = nullptr;
    m_powerReadACValueIndex = nullptr;
    m_registerPowerSettingNotification = nullptr;
    m_unregisterPowerSettingNotification = nullptr;
}

bool VistaPowerManage::GetActiveScheme(GUID* scheme) {
    if (!IsAvailable()) {
        return false;
    }
    GUID* active = nullptr;
    if (m_powerGetActiveScheme(nullptr, &active) != ERROR_SUCCESS || active == nullptr) {
        return false;
    }
    *scheme = *active;
    // The system allocates the id with LocalAlloc and leaves it to the caller.
    LocalFree(active);
    return true;
}

bool VistaPowerManage::SetActiveScheme(const GUID& scheme) {
    return IsAvailable() && m_powerSetActiveScheme(nullptr, &scheme) == ERROR_SUCCESS;
}

uint32_t VistaPowerManage::ReadACValueIndex(const GUID& scheme, const GUID& subgroup, const GUID& setting,
                                            uint32_t* value) {
    if (!IsAvailable()) {
        return ERROR_INVALID_FUNCTION;
    }
    DWORD index = 0;
    const DWORD status = m_powerReadACValueIndex(nullptr, &scheme, &subgroup, &setting, &index);
    if (status == ERROR_SUCCESS) {
        *value = index;
    }
    return status;
}

uint32_t VistaPowerManage::WriteACValueIndex(const GUID& scheme, const GUID& subgroup, const GUID& setting,
                                             uint32_t value) {
    if (!IsAvailable()) {
        return ERROR_INVALID_FUNCTION;
    }
    return m_powerWriteACValueIndex(nullptr, &scheme, &subgroup, &setting, value);
}

std::vector<GUID> VistaPowerManage::EnumerateSchemes() {
    std::vector<GUID> schemes;
    if (!IsAvailable()) {
        return schemes;
    }
    constexpr DWORD kAccessScheme = 16;
    // A machine has a handful of schemes; the bound keeps a misbehaving system from
    // looping for ever.
    for (ULONG index = 0; index < 256; ++index) {
        GUID scheme = {};
        DWORD size = sizeof scheme;
        if (m_powerEnumerate(nullptr, nullptr, nullptr, kAccessScheme, index, reinterpret_cast<UCHAR*>(&scheme),
                             &size) != ERROR_SUCCESS) {
            break;
        }
        schemes.push_back(scheme);
    }
    return schemes;
}

}  // namespace lumen
