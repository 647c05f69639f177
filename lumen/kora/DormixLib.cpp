#include "lumen/kora/DormixLib.h"

#include "lumen/core/Report.h"
#include "lumen/system/ProgramFolder.h"
#include "lumen/system/WinRegistry.h"
#include "lumen/system/ModuleEntry.h"

namespace kora {
namespace {

const char kLoadErrorCaption[] = "LoadLibrary Error";

std::string WithSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder;
    }
    return folder + "\\";
}

// Windows 6.x (Vista, 7, 8, 8.1 as the version query reports them to a program without
// a compatibility manifest) mutes through "vvc.dll"; so does a system whose version
// cannot be read.
bool IsWindows6() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) {
        return true;
    }
    return info.dwMajorVersion == 6;
}

bool LowBit(uint32_t result) {
    return (result & 1u) != 0;
}

}  // namespace

GearThresholds ReadRegistryThresholds() {
    GearThresholds thresholds;
    lumen::WinRegistry key;
    if (!key.Open(HKEY_LOCAL_MACHINE, "Software\\KORA\\Pacely3", false)) {
        return thresholds;
    }
    GearThresholds stored;
    if (!key.ReadDword("Threshold1", &stored.t1) || !key.ReadDword("Threshold2", &stored.t2) ||
        !key.ReadDword("Threshold3", &stored.t3)) {
        return thresholds;
    }
    return stored;
}

DormixLibDll::DormixLibDll() {
    Load(lumen::ProgramFolder());
}

DormixLibDll::DormixLibDll(const std::string& folder) {
    Load(WithSeparator(folder));
}

DormixLibDll::~DormixLibDll() {
    Unload();
}

void DormixLibDll::Load(const std::string& folder) {
    m_enabled = 0;
    m_sleeping = 0;
    const std::string path = folder + "Dormix.dll";
    if (!lumen::FileExists(path)) {
        return;
    }
    if (!BindDormix(path)) {
        return;
    }
    m_windows6 = IsWindows6();
    if (m_windows6 && !BindVvc(folder + "vvc.dll")) {
        // Without its sound helper the library is left alone entirely: half a binding
        // would call a mute procedure that is not there.
        Unload();
        return;
    }
    m_dormixInit();
    m_levelItemSupported = LowBit(m_isItemSupported(kPacelyLevelItem)) ? 1 : 0;
    m_ventixThree = m_isVentixThreeSupported() != 0 ? 1 : 0;
}

bool DormixLibDll::BindDormix(const std::string& path) {
    m_dormix.reset(LoadLibraryA(path.c_str()));
    if (!m_dormix) {
        lumen::ShowMessage("Can not load " + path, kLoadErrorCaption);
        return false;
    }
    const char* missing = nullptr;
    auto find = [&](const char* name) -> FARPROC {
        const FARPROC proc = GetProcAddress(m_dormix.get(), name);
        if (proc == nullptr && missing == nullptr) {
            missing = name;
        }
        return proc;
    };
    m_dormixInit = lumen::ProcAs<DormixInitFn>(find("DormixInit"));
    m_dormixIsSupport = lumen::ProcAs<DormixIsSupportFn>(find("DormixIsSupport"));
    m_pacelyIsSupport = lumen::ProcAs<PacelyIsSupportFn>(find("PacelyIsSupport"));
    m_dormixCheckReboot = lumen::ProcAs<DormixCheckRebootFn>(find("DormixCheckReboot"));
    m_dormixEnable = lumen::ProcAs<DormixEnableFn>(find("DormixEnable"));
    m_dormixDisable = lumen::ProcAs<DormixDisableFn>(find("DormixDisable"));
    m_dormixWake = lumen::ProcAs<DormixWakeFn>(find("DormixWake"));
    m_dormixSleep = lumen::ProcAs<DormixSleepFn>(find("DormixSleep"));
    m_dormixSound = lumen::ProcAs<DormixSoundFn>(find("DormixSound"));
    m_dormixScreen = lumen::ProcAs<DormixScreenFn>(find("DormixScreen"));
    m_getLevel = lumen::ProcAs<DormixGetLevelFn>(find("GetLevel"));
    m_setLevel = lumen::ProcAs<DormixSetLevelFn>(find("SetLevel"));
    m_isDormix = lumen::ProcAs<IsDormixFn>(find("IsDormix"));
    m_isThermostatSupported = lumen::ProcAs<IsThermostatSupportedFn>(find("IsThermostatSupported"));
    m_hushlyIsSupport = lumen::ProcAs<HushlyIsSupportFn>(find("HushlyIsSupport"));
    m_getPowerButtonSetting = lumen::ProcAs<GetPowerButtonSettingFn>(find("GetPowerButtonSetting"));
    m_setPowerButtonSetting = lumen::ProcAs<SetPowerButtonSettingFn>(find("SetPowerButtonSetting"));
    m_dormixGetItem = lumen::ProcAs<DormixGetItemFn>(find("DormixGetItem"));
    m_dormixSetItem = lumen::ProcAs<DormixSetItemFn>(find("DormixSetItem"));
    m_isItemSupported = lumen::ProcAs<IsItemSupportedFn>(find("IsItemSupported"));
    m_isVentixThreeSupported = lumen::ProcAs<IsVentixThreeSupportedFn>(find("IsVentixThreeSupported"));
    if (missing != nullptr) {
        lumen::ShowMessage(std::string("Can not find \"") + missing + "\" in " + path, kLoadErrorCaption);
        Unload();
        return false;
    }
    return true;
}

bool DormixLibDll::BindVvc(const std::string& path) {
    m_vvc.reset(LoadLibraryA(path.c_str()));
    if (!m_vvc) {
        lumen::ShowMessage("Can not load " + path, kLoadErrorCaption);
        return false;
    }
    m_vistaSetMute = lumen::ProcAs<VistaSetMuteFn>(GetProcAddress(m_vvc.get(), "VISTA_SetMute"));
    if (m_vistaSetMute == nullptr) {
        lumen::ShowMessage("Can not find \"VISTA_SetMute\" in " + path, kLoadErrorCaption);
        return false;
    }
    return true;
}

void DormixLibDll::Unload() {
    m_vvc.reset();
    m_dormix.reset();
    m_dormixInit = nullptr;
    m_dormixIsSupport = nullptr;
    m_pacelyIsSupport = nullptr;
    m_dormixCheckReboot = nullptr;
    m_dormixEnable = nullptr;
    m_dormixDisable = nullptr;
    m_dormixWake = nullptr;
    m_dormixSleep = nullptr;
    m_dormixSound = nullptr;
    m_dormixScreen = nullptr;
    m_getLevel = nullptr;
    m_setLevel = nullptr;
    m_isDormix = nullptr;
    m_isThermostatSupported = nullptr;
    m_hushlyIsSupport = nullptr;
    m_getPowerButtonSetting = nullptr;
    m_setPowerButtonSetting = nullptr;
    m_dormixGetItem = nullptr;
    m_dormixSetItem = nullptr;
    m_isItemSupported = nullptr;
    m_isVentixThreeSupported = nullptr;
    m_vistaSetMute = nullptr;
    m_levelItemSupported = 0;
    m_ventixThree = 0;
}

bool DormixLibDll::IsSupported() {
    if (!IsLoaded()) {
        return false;
    }
    uint32_t out = 0;
    return LowBit(m_dormixIsSupport(&out)) && out == 1;
}

bool DormixLibDll::CheckReboot() {
    if (!IsLoaded()) {
        return false;
    }
    uint32_t out = 0;
    return LowBit(m_dormixCheckReboot(&out)) && out == 1;
}

void DormixLibDll::Enable(bool on) {
    if (!IsLoaded()) {
        return;
    }
    if (on) {
        m_dormixEnable();
    } else {
        m_dormixDisable();
    }
    m_enabled = on ? 1 : 0;
}

void DormixLibDll::Sleep() {
    if (!IsLoaded()) {
        return;
    }
    if (PacelyLevelAbove1()) {
        SetLevel(kLevelSleep);
    } else {
        m_dormixSleep();
    }
    m_sleeping = 1;
}

void DormixLibDll::Wake() {
    if (!IsLoaded()) {
        return;
    }
    if (PacelyLevelAbove1()) {
        SetLevel(kLevelWake);
    } else {
        m_dormixWake();
    }
    m_sleeping = 0;
}

void DormixLibDll::SoundOn() {
    if (!IsLoaded()) {
        return;
    }
    if (m_windows6) {
        m_vistaSetMute(0);
    } else {
        m_dormixSound(1);
    }
}

void DormixLibDll::SoundOff() {
    if (!IsLoaded()) {
        return;
    }
    if (m_windows6) {
        m_vistaSetMute(1);
    } else {
        m_dormixSound(0);
    }
}

void DormixLibDll::ScreenOn() {
    if (IsLoaded()) {
        m_dormixScreen(1);
    }
}

void DormixLibDll::ScreenOff() {
    if (IsLoaded()) {
        m_dormixScreen(0);
    }
}

void DormixLibDll::ApplyGear() {
    if (IsLoaded() && PacelyLevelAbove1()) {
        SetThresholds(ReadRegistryThresholds());
    }
}

uint32_t DormixLibDll::GetLevel() {
    if (!IsLoaded()) {
        return 0;
    }
    uint32_t level = 0;
    if (!LowBit(m_getLevel(&level))) {
        return 0;
    }
    return level;
}

uint8_t DormixLibDll::SetLevel(uint32_t level) {
    if (!IsLoaded()) {
        return 0;
    }
    // The gear state is read once: setting the level may move the gear item itself.
    const bool above1 = PacelyLevelAbove1();
    const bool above3 = above1 && PacelyLevelAbove3();
    if (above1) {
        SetThresholds(GearThresholds{});
        if (!above3) {
            EnablePacely(1);
        }
    }
    const uint8_t result = m_setLevel(level);
    if (above1) {
        if (level == 0) {
            if (IsPacelyOpen() && !above3) {
                SetThresholds(GearThresholds{});
            }
        } else if (level == kLevelUserGear) {
            SetThresholds(ReadRegistryThresholds());
        }
    }
    // No fan control is carried by this program: the level goes no further.
    return result;
}

bool DormixLibDll::IsDormix() {
    return IsLoaded() && LowBit(m_isDormix());
}

bool DormixLibDll::IsThermostatSupported() {
    return IsLoaded() && LowBit(m_isThermostatSupported());
}

bool DormixLibDll::IsHushlySupported() {
    if (!IsLoaded()) {
        return false;
    }
    uint32_t out = 0;
    return LowBit(m_hushlyIsSupport(&out)) && out == 1;
}

bool DormixLibDll::PacelyLevelAbove(uint32_t floor) {
    if (!IsLoaded() || m_levelItemSupported == 0) {
        return false;
    }
    uint32_t supported = 0;
    if (!LowBit(m_pacelyIsSupport(&supported)) || supported != 1) {
        return false;
    }
    uint32_t level = 0;
    if (!LowBit(m_dormixGetItem(kPacelyLevelItem, &level))) {
        return false;
    }
    return level > floor;
}

bool DormixLibDll::PacelyLevelAbove1() {
    return PacelyLevelAbove(1);
}

bool DormixLibDll::PacelyLevelAbove3() {
    return PacelyLevelAbove(3);
}

bool DormixLibDll::IsPacelyOpen() {
    uint32_t value = 0;
    if (!LowBit(m_dormixGetItem(kPacelyOpenItem, &value))) {
        lumen::ShowMessage("[PowerGearDll::IsPacelyOpen] Failed", "");
        return false;
    }
    return value == 1;
}

void DormixLibDll::EnablePacely(uint32_t on) {
    if (!LowBit(m_dormixSetItem(kPacelyOpenItem, on))) {
        lumen::ShowMessage("[PowerGearDll::EnablePacely] Failed", "");
    }
}

void DormixLibDll::SetThresholds(const GearThresholds& thresholds) {
    if (!LowBit(m_dormixSetItem(kThresholdItem1, thresholds.t1))) {
        lumen::ShowMessage("[PowerGearDll::SetThreshold] 0x0E0A0014 Failed", "");
    }
    if (!LowBit(m_dormixSetItem(kThresholdItem2, thresholds.t2))) {
        lumen::ShowMessage("[PowerGearDll::SetThreshold] 0x0E0A0015 Failed", "");
    }
    if (!LowBit(m_dormixSetItem(kThresholdItem3, thresholds.t3))) {
        lumen::ShowMessage("[PowerGearDll::SetThreshold] 0x0E0A0016 Failed", "");
    }
}

bool DormixLibDll::GetPowerButtonSetting(uint32_t* action, uint32_t* event) {
    *action = 0;
    *event = 0;
    if (!IsLoaded()) {
        return false;
    }
    uint32_t a = 0;
    uint32_t e = 0;
    if (!LowBit(m_getPowerButtonSetting(&a, &e))) {
        return false;
    }
    *action = a;
    *event = e;
    return true;
}

bool DormixLibDll::SetPowerButtonSetting(uint32_t action, uint32_t event) {
    return IsLoaded() && LowBit(m_setPowerButtonSetting(action, event));
}

bool DormixLibDll::GetItem(uint32_t id, uint32_t* value) {
    if (!IsLoaded()) {
        return false;
    }
    uint32_t v = 0;
    if (!LowBit(m_dormixGetItem(id, &v))) {
        return false;
    }
    *value = v;
    return true;
}

bool DormixLibDll::SetItem(uint32_t id, uint32_t value) {
    return IsLoaded() && LowBit(m_dormixSetItem(id, value));
}

bool DormixLibDll::IsItemSupported(uint32_t id) {
    return IsLoaded() && LowBit(m_isItemSupported(id));
}

DormixLib& DormixLib::Instance() {
    static DormixLib* const instance = new DormixLib(std::make_unique<DormixLibDll>());
    return *instance;
}

DormixLib::DormixLib(std::unique_ptr<DormixLibImp> imp) : m_imp(std::move(imp)) {}

bool DormixLib::IsSupported() {
    return m_imp->IsSupported();
}

bool DormixLib::GetPowerButtonSetting(uint32_t* action, uint32_t* event) {
    return m_imp->GetPowerButtonSetting(action, event);
}

bool DormixLib::SetPowerButtonSetting(uint32_t action, uint32_t event) {
    return m_imp->SetPowerButtonSetting(action, event);
}

uint32_t DormixLib::GetLevel() {
    if (!m_imp->IsSupported()) {
        return 0;
    }
    return m_imp->GetLevel();
}

bool DormixLib::IsVentixThreeSupported() {
    return m_imp->IsVentixThreeSupported();
}

bool DormixLib::GetItem(uint32_t id, uint32_t* value) {
    return m_imp->GetItem(id, value);
}

bool DormixLib::SetItem(uint32_t id, uint32_t value) {
    return m_imp->SetItem(id, value);
}

bool DormixLib::IsItemSupported(uint32_t id) {
    return m_imp->IsItemSupported(id);
}

}  // namespace kora
