#include "lumen/system/PowerMgr.h"

#include <shlobj.h>

#include <string>

#include "lumen/system/ModuleEntry.h"

namespace lumen {
namespace {

// The system folder (shell folder id 37 with the create flag); empty when the shell
// cannot tell it, which leaves a path that will not load.
std::string SystemFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_SYSTEM | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::string();
    }
    return path;
}

}  // namespace

VistaPowerManage& VistaPowerManage::Instance() {
    static VistaPowerManage* const instance = new VistaPowerManage;
    return *instance;
}

VistaPowerManage::VistaPowerManage() {
    const std::string folder = SystemFolder();
    // By full path: a "Powrprof.dll" beside the program must not stand in for the system's.
    m_powrprof = LoadLibraryA((folder + "\\Powrprof.dll").c_str());
    m_user32 = LoadLibraryA((folder + "\\user32.dll").c_str());
    if (m_powrprof == nullptr || m_user32 == nullptr) {
        Unload();
        return;
    }
    bool complete = true;
    auto find = [&complete](HMODULE module, const char* name) -> FARPROC {
        const FARPROC proc = GetProcAddress(module, name);
        complete = complete && proc != nullptr;
        return proc;
    };
    m_powerDuplicateScheme = ProcAs<PowerDuplicateSchemeFn>(find(m_powrprof, "PowerDuplicateScheme"));
    m_powerReadFriendlyName = ProcAs<PowerReadFriendlyNameFn>(find(m_powrprof, "PowerReadFriendlyName"));
    m_powerWriteFriendlyName = ProcAs<PowerWriteFriendlyNameFn>(find(m_powrprof, "PowerWriteFriendlyName"));
    m_powerRestoreDefaultPowerSchemes =
        ProcAs<PowerRestoreDefaultPowerSchemesFn>(find(m_powrprof, "PowerRestoreDefaultPowerSchemes"));
    m_powerRestoreIndividualDefaultPowerScheme = ProcAs<PowerRestoreIndividualDefaultPowerSchemeFn>(
        find(m_powrprof, "PowerRestoreIndividualDefaultPowerScheme"));
    m_powerGetActiveScheme = ProcAs<PowerGetActiveSchemeFn>(find(m_powrprof, "PowerGetActiveScheme"));
    m_powerSetActiveScheme = ProcAs<PowerSetActiveSchemeFn>(find(m_powrprof, "PowerSetActiveScheme"));
    m_powerDeleteScheme = ProcAs<PowerDeleteSchemeFn>(find(m_powrprof, "PowerDeleteScheme"));
    m_powerReadDescription = ProcAs<PowerReadDescriptionFn>(find(m_powrprof, "PowerReadDescription"));
    m_powerWriteDescription = ProcAs<PowerWriteDescriptionFn>(find(m_powrprof, "PowerWriteDescription"));
    m_powerImportPowerScheme = ProcAs<PowerImportPowerSchemeFn>(find(m_powrprof, "PowerImportPowerScheme"));
    m_powerEnumerate = ProcAs<PowerEnumerateFn>(find(m_powrprof, "PowerEnumerate"));
    m_powerWriteACValueIndex = ProcAs<PowerWriteACValueIndexFn>(find(m_powrprof, "PowerWriteACValueIndex"));
    m_powerReadACValueIndex = ProcAs<PowerReadACValueIndexFn>(find(m_powrprof, "PowerReadACValueIndex"));
    m_registerPowerSettingNotification =
        ProcAs<RegisterPowerSettingNotificationFn>(find(m_user32, "RegisterPowerSettingNotification"));
    m_unregisterPowerSettingNotification =
        ProcAs<UnregisterPowerSettingNotificationFn>(find(m_user32, "UnregisterPowerSettingNotification"));
    if (!complete) {
        Unload();
    }
}

VistaPowerManage::~VistaPowerManage() {
    Unload();
}

void VistaPowerManage::Unload() {
    if (m_powrprof != nullptr) {
        FreeLibrary(m_powrprof);
        m_powrprof = nullptr;
    }
    if (m_user32 != nullptr) {
        FreeLibrary(m_user32);
        m_user32 = nullptr;
    }
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

}  // namespace lumen
