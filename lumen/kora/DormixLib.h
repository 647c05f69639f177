#pragma once
// The binding of the power-feature library "Dormix.dll" (and, on Windows 6.x, of its
// sound helper "vvc.dll"), loaded at run time from the program's folder.
//
// `DormixLib` is the facade the program uses; `DormixLibImp` the implementation
// interface (slot order fixed); `DormixLibDll` its implementation over the DLL. A
// binding whose library is missing, cannot be loaded or lacks a procedure stays
// unloaded: every call then fails without touching anything (false, 0, or nothing).

#include <windows.h>

#include "lumen/core/Handle.h"

#include <cstdint>
#include <memory>
#include <string>

#include "lumen/kora/VendorApi.h"

namespace kora {

// Feature items of the library.
constexpr uint32_t kPacelyOpenItem = 0x0B060002;   // the gear feature is switched on
constexpr uint32_t kPacelyLevelItem = 0x0B060003;  // the current gear
constexpr uint32_t kThresholdItem1 = 0x0E0A0014;
constexpr uint32_t kThresholdItem2 = 0x0E0A0015;
constexpr uint32_t kThresholdItem3 = 0x0E0A0016;
// SetLevel(kLevelUserGear) applies the thresholds the user stored in the registry.
constexpr uint32_t kLevelUserGear = 0x8000;
// Sleep and Wake on a board with gears.
constexpr uint32_t kLevelSleep = 255;
constexpr uint32_t kLevelWake = 0;

// The power-button pair the program writes to take the button over.
constexpr uint32_t kButtonActionNothing = 0;
constexpr uint32_t kButtonEventTakenOver = 0x80000000u;

struct GearThresholds {
    uint32_t t1 = 0;
    uint32_t t2 = 0;
    uint32_t t3 = 255;
    bool operator==(const GearThresholds&) const = default;
};

// "Threshold1" to "Threshold3" under HKEY_LOCAL_MACHINE\Software\KORA\Pacely3;
// (0, 0, 255) when the key or any of the values is missing.
GearThresholds ReadRegistryThresholds();

class DormixLibImp {
public:
    virtual ~DormixLibImp() = default;
    virtual bool IsSupported() = 0;
    virtual bool CheckReboot() = 0;
    virtual bool IsEnabled() = 0;
    virtual void Enable(bool on) = 0;
    virtual void Sleep() = 0;
    virtual void Wake() = 0;
    virtual void SoundOn() = 0;
    virtual void SoundOff() = 0;
    virtual void ScreenOn() = 0;
    virtual void ScreenOff() = 0;
    virtual void ApplyGear() = 0;
    virtual bool IsSleeping() = 0;
    virtual uint32_t GetLevel() = 0;
    virtual uint8_t SetLevel(uint32_t level) = 0;
    virtual bool IsDormix() = 0;
    virtual bool IsThermostatSupported() = 0;
    virtual bool IsHushlySupported() = 0;
    virtual bool PacelyLevelAbove1() = 0;
    virtual bool PacelyLevelAbove3() = 0;
    virtual bool IsVentixThreeSupported() = 0;
    virtual bool GetPowerButtonSetting(uint32_t* action, uint32_t* event) = 0;
    virtual bool SetPowerButtonSetting(uint32_t action, uint32_t event) = 0;
    virtual bool GetItem(uint32_t id, uint32_t* value) = 0;
    virtual bool SetItem(uint32_t id, uint32_t value) = 0;
    virtual bool IsItemSupported(uint32_t id) = 0;
};

class DormixLibDll : public DormixLibImp {
public:
    // Loads "Dormix.dll" from the executable's folder.
    DormixLibDll();
    // Loads "Dormix.dll" (and "vvc.dll") from `folder`.
    explicit DormixLibDll(const std::string& folder);
    ~DormixLibDll() override;
    DormixLibDll(const DormixLibDll&) = delete;
    DormixLibDll& operator=(const DormixLibDll&) = delete;

    // Every procedure was found and the library was initialised.
    bool IsLoaded() const { return static_cast<bool>(m_dormix); }

    bool IsSupported() override;
    bool CheckReboot() override;
    bool IsEnabled() override { return m_enabled != 0; }
    void Enable(bool on) override;
    void Sleep() override;
    void Wake() override;
    void SoundOn() override;
    void SoundOff() override;
    void ScreenOn() override;
    void ScreenOff() override;
    // On a board with gears: applies the thresholds stored in the registry.
    void ApplyGear() override;
    bool IsSleeping() override { return m_sleeping != 0; }
    uint32_t GetLevel() override;
    uint8_t SetLevel(uint32_t level) override;
    bool IsDormix() override;
    bool IsThermostatSupported() override;
    bool IsHushlySupported() override;
    bool PacelyLevelAbove1() override;
    bool PacelyLevelAbove3() override;
    bool IsVentixThreeSupported() override { return m_ventixThree != 0; }
    bool GetPowerButtonSetting(uint32_t* action, uint32_t* event) override;
    bool SetPowerButtonSetting(uint32_t action, uint32_t event) override;
    bool GetItem(uint32_t id, uint32_t* value) override;
    bool SetItem(uint32_t id, uint32_t value) override;
    bool IsItemSupported(uint32_t id) override;

private:
    void Load(const std::string& folder);
    bool BindDormix(const std::string& path);
    bool BindVvc(const std::string& path);
    void Unload();
    // Level above `floor` on a board whose gear item is readable.
    bool PacelyLevelAbove(uint32_t floor);
    bool IsPacelyOpen();
    void EnablePacely(uint32_t on);
    void SetThresholds(const GearThresholds& thresholds);

    lumen::UniqueModule m_dormix;
    lumen::UniqueModule m_vvc;
    uint8_t m_enabled = 0;
    uint8_t m_sleeping = 0;
    bool m_windows6 = false;
    uint8_t m_levelItemSupported = 0;
    uint8_t m_ventixThree = 0;

    DormixInitFn m_dormixInit = nullptr;
    DormixIsSupportFn m_dormixIsSupport = nullptr;
    PacelyIsSupportFn m_pacelyIsSupport = nullptr;
    DormixCheckRebootFn m_dormixCheckReboot = nullptr;
    DormixEnableFn m_dormixEnable = nullptr;
    DormixDisableFn m_dormixDisable = nullptr;
    DormixWakeFn m_dormixWake = nullptr;
    DormixSleepFn m_dormixSleep = nullptr;
    DormixSoundFn m_dormixSound = nullptr;
    DormixScreenFn m_dormixScreen = nullptr;
    DormixGetLevelFn m_getLevel = nullptr;
    DormixSetLevelFn m_setLevel = nullptr;
    IsDormixFn m_isDormix = nullptr;
    IsThermostatSupportedFn m_isThermostatSupported = nullptr;
    HushlyIsSupportFn m_hushlyIsSupport = nullptr;
    GetPowerButtonSettingFn m_getPowerButtonSetting = nullptr;
    SetPowerButtonSettingFn m_setPowerButtonSetting = nullptr;
    DormixGetItemFn m_dormixGetItem = nullptr;
    DormixSetItemFn m_dormixSetItem = nullptr;
    IsItemSupportedFn m_isItemSupported = nullptr;
    IsVentixThreeSupportedFn m_isVentixThreeSupported = nullptr;
    VistaSetMuteFn m_vistaSetMute = nullptr;
};

class DormixLib {
public:
    // The process-wide binding over "Dormix.dll" beside the executable, made on first
    // use and never destroyed.
    static DormixLib& Instance();

    explicit DormixLib(std::unique_ptr<DormixLibImp> imp);

    bool IsSupported();
    // False when the library is not loaded or the call fails; the outputs are then 0.
    [[nodiscard]] bool GetPowerButtonSetting(uint32_t* action, uint32_t* event);
    bool SetPowerButtonSetting(uint32_t action, uint32_t event);
    // The power-saving level; 0 when the feature is not supported or the read fails, so
    // that a caller about to raise the clock does not wait for a sibling in vain.
    uint32_t GetLevel();
    bool IsVentixThreeSupported();
    [[nodiscard]] bool GetItem(uint32_t id, uint32_t* value);
    bool SetItem(uint32_t id, uint32_t value);
    bool IsItemSupported(uint32_t id);

    DormixLibImp& Imp() { return *m_imp; }

private:
    std::unique_ptr<DormixLibImp> m_imp;
};

}  // namespace kora
