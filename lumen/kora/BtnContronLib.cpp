#include "lumen/kora/BtnContronLib.h"

#include <algorithm>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"
#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/SysCtrlPipeClient.h"
#include "lumen/system/ProgramFolder.h"
#include "lumen/system/ModuleEntry.h"

namespace kora {
namespace {

constexpr uint32_t kBaseFrequencyId = 0x03010011;

// The trace formats like the system's printf, which knows no %zu.
unsigned Count(size_t n) {
    return static_cast<unsigned>(n);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// SysCtrlAnnouncer

SysCtrlAnnouncer::SysCtrlAnnouncer() : m_broadcast(RegisterWindowMessageA(kBroadcastMessageName)) {}

void SysCtrlAnnouncer::SystemControlRequest(uint32_t a1, uint32_t a2, uint32_t a3) {
    // No service on the machine is normal: the pipe layer has written its own line.
    if (!SysCtrlPipeClient::Instance().Request(a1, a2, a3)) {
        lumen::Trace("[BtnContronLib] system control request (%u, %u, %u) not accepted", a1, a2, a3);
    }
}

void SysCtrlAnnouncer::AnnounceValuesChanged() {
    // A message id of 0 would broadcast WM_NULL; registration fails only when the
    // system's atom table is exhausted.
    if (m_broadcast == 0 ||
        !PostMessageA(HWND_BROADCAST, m_broadcast, BroadcastWParam(kCommandValuesChanged), kSenderSurgepad)) {
        lumen::Trace("[BtnContronLib] announcement of changed values not posted, GetLastError returned %lu",
                     GetLastError());
    }
}

// ---------------------------------------------------------------------------------------
// BtnContronLib

BtnContronLib& BtnContronLib::Instance() {
    static BtnContronLib* const instance = new BtnContronLib(lumen::ProgramFolder());
    return *instance;
}

BtnContronLib::BtnContronLib(const std::string& folder, std::unique_ptr<SysCtrlAnnouncer> announcer)
    : m_announcer(announcer != nullptr ? std::move(announcer) : std::make_unique<SysCtrlAnnouncer>()) {
    AcpiInitialize();
    std::string withSeparator = folder;
    if (!withSeparator.empty() && withSeparator.back() != '\\' && withSeparator.back() != '/') {
        withSeparator += '\\';
    }
    LoadDormix(withSeparator);
    // The profile names and the start-up values belong to the firmware, not to the
    // power-feature library: without the library a profile file can still be applied,
    // and turbo off must then still have the values to go back to.
    ReadProfileNames();
    m_ratio = std::make_unique<KrOcRatio>();
    m_stockComplete = kora::SaveCurrentValues(*m_ratio, &m_stockSet);
    m_switchTarget = m_stockSet;
    lumen::Trace("[BtnContronLib] %u firmware profiles, %u start-up values saved%s, power-feature library %s",
                 Count(m_profileNames.size()), Count(m_stockSet.size()),
                 m_stockComplete ? "" : " (some could not be read)", m_dormix ? "loaded" : "not loaded");
}

BtnContronLib::~BtnContronLib() {
    m_dormix.reset();
}

void BtnContronLib::LoadDormix(const std::string& folder) {
    const std::string path = folder + "Dormix.dll";
    if (!lumen::FileExists(path)) {
        return;
    }
    m_dormix.reset(LoadLibraryA(path.c_str()));
    if (!m_dormix) {
        lumen::ShowMessage("Can not load " + path, "LoadLibrary Error");
        return;
    }
    m_dormixInit = lumen::ProcAddress<DormixInitFn>(m_dormix.get(), "DormixInit");
    m_dormixEnable = lumen::ProcAddress<DormixEnableFn>(m_dormix.get(), "DormixEnable");
    if (m_dormixInit == nullptr || m_dormixEnable == nullptr) {
        // Not the library we know: calling a missing entry would crash.
        lumen::Trace("[BtnContronLib] %s lacks DormixInit or DormixEnable", path.c_str());
        m_dormix.reset();
        m_dormixInit = nullptr;
        m_dormixEnable = nullptr;
        return;
    }
    m_dormixInit();
}

void BtnContronLib::ReadProfileNames() {
    GroupInfoTraverser traverser;
    if (!traverser.Open(kProfileNameGroup)) {
        return;
    }
    std::unique_ptr<BiosItem> names;
    for (; !traverser.IsEnd(); traverser.Next()) {
        if (ItemNumber(traverser.CurrentId()) == kProfileNameNumber) {
            names.reset(traverser.CreateItem());  // the last one counts
        }
    }
    if (names == nullptr) {
        return;
    }
    const int count = names->GetCount();
    for (int i = 0; i < count; ++i) {
        m_profileNames.push_back(names->IndexToString(i));
    }
}

const KrOcRatio& BtnContronLib::Ratio() const {
    return *m_ratio;
}

const KrOcPrimaryItemSet& BtnContronLib::ItemSet() const {
    std::call_once(m_itemSetOnce, [this] { m_itemSet = std::make_unique<KrOcPrimaryItemSet>(*m_ratio); });
    return *m_itemSet;
}

std::string BtnContronLib::ProfileNameAt(uint32_t index) const {
    return index < m_profileNames.size() ? m_profileNames[index] : std::string();
}

void BtnContronLib::CompleteStartupValues() {
    if (m_stockComplete) {
        return;
    }
    // Turbo is off: the values in force are the ones a turbo off has to give back. A
    // value that still cannot be read is not written by the switch either (every
    // write is preceded by a read), so turbo off returns everything it changed.
    OcValueList fresh;
    m_stockComplete = kora::SaveCurrentValues(Ratio(), &fresh);
    const size_t added = AddMissingValues(fresh, &m_stockSet);
    lumen::Trace("[BtnContronLib] %u start-up values read again before switching on%s", Count(added),
                 m_stockComplete ? "" : "; some still cannot be read and are not written");
}

bool BtnContronLib::StartupRatiosKnownFor(const OcValueList& list) const {
    const KrOcRatio& ratio = Ratio();
    auto holdsRatio = [&ratio](const OcValueList& values) {
        return std::any_of(values.begin(), values.end(),
                           [&ratio](const tagTwOcItemValue& v) { return v.id == ratio.Id(); });
    };
    // Writing the ratios ends with one write for every core at once (when a selector is
    // there), also for a core whose ratio cannot be read: without the start-up ratios,
    // turbo off could not take them back.
    return ratio.Count() <= 0 || !ratio.IsWritable() || !holdsRatio(list) || holdsRatio(m_stockSet);
}

bool BtnContronLib::ApplyFirmwareProfile(uint32_t index) {
    if (IsTurboOn() || index >= ProfileCount()) {
        return false;
    }
    CompleteStartupValues();
    OcValueList list;
    CompleteCurrentList(Ratio(), &list);
    if (!OverlayFirmwareProfile(index, &list)) {
        lumen::Trace("[BtnContronLib] firmware profile %u cannot be read; nothing written", index);
        return false;
    }
    if (list.empty()) {
        // The firmware lists no overclocking value (its group cannot be read): nothing
        // of the profile can be written, and a turbo without its values is none.
        lumen::Trace("[BtnContronLib] firmware profile %u: the firmware lists no value; nothing written", index);
        return false;
    }
    if (!StartupRatiosKnownFor(list)) {
        lumen::Trace(
            "[BtnContronLib] firmware profile %u: the processor ratios in force cannot be read; nothing "
            "written, turbo off could not give them back",
            index);
        return false;
    }
    lumen::Trace("[BtnContronLib] firmware profile %u: writing %u values", index, Count(list.size()));
    const uint32_t refused = ApplyList(ItemSet(), *m_announcer, list);
    if (refused != 0) {
        // Part of a profile is no profile: the values already written go back to those
        // of the start, so that firmware and turbo flag agree (off).
        lumen::Trace("[BtnContronLib] firmware profile %u: %u writes refused; the start-up values are written back",
                     index, refused);
        OcValueList copy = m_stockSet;
        RestoreSavedValues(&copy);
        m_switchTarget = m_stockSet;
        ++m_switches;
        m_announcer->SystemControlRequest(1, 0, 0);
        return false;
    }
    m_switchTarget = list;
    ++m_switches;
    m_turboOn.store(true);
    return true;
}

bool BtnContronLib::ApplyProfileFile(const std::string& path) {
    if (IsTurboOn()) {
        return false;
    }
    CompleteStartupValues();
    TwOcItemProfile profile;
    const bool loaded = profile.Load(path);
    if (loaded) {
        const OcValueList accepted = AcceptedRecords(profile.Records());
        if (accepted.size() != profile.Count()) {
            lumen::Trace("[BtnContronLib] profile file %s: %u of %u records are no overclocking value in range",
                         path.c_str(), Count(profile.Count() - accepted.size()), Count(profile.Count()));
        }
        if (!StartupRatiosKnownFor(accepted)) {
            lumen::Trace(
                "[BtnContronLib] profile file %s: the processor ratios in force cannot be read; nothing "
                "written, turbo off could not give them back",
                path.c_str());
            return false;
        }
        lumen::Trace("[BtnContronLib] profile file %s: writing %u values", path.c_str(), Count(accepted.size()));
        const uint32_t refused = ApplyList(ItemSet(), *m_announcer, accepted);
        if (refused != 0) {
            // As for a firmware profile: part of a profile is no profile.
            lumen::Trace("[BtnContronLib] profile file %s: %u writes refused; the start-up values are written back",
                         path.c_str(), refused);
            OcValueList copy = m_stockSet;
            RestoreSavedValues(&copy);
            m_switchTarget = m_stockSet;
            ++m_switches;
            m_announcer->SystemControlRequest(1, 0, 0);
            return false;
        }
        // A file names some values only; the others keep those of turbo off.
        m_switchTarget = StartupValuesBeside(accepted);
        ++m_switches;
    } else {
        lumen::Trace("[BtnContronLib] profile file %s does not load; nothing written", path.c_str());
    }
    m_turboOn.store(true);
    m_announcer->SystemControlRequest(0, 0, 0);
    return loaded;
}

bool BtnContronLib::IsProfileUsable(uint32_t index) const {
    OcValueList pairs;
    if (!ReadFirmwareProfile(index, &pairs)) {
        return false;
    }
    for (const tagTwOcItemValue& pair : pairs) {
        if (pair.id == kBaseFrequencyId) {
            uint32_t current = 0;
            return BiosReadValue(kBaseFrequencyId, &current) && pair.value >= current;
        }
    }
    return false;
}

void BtnContronLib::ResumeTurbo(OcValueList startup) {
    m_stockSet = std::move(startup);
    m_stockComplete = true;
    m_turboOn.store(true);
    lumen::Trace("[BtnContronLib] turbo resumed with %u recorded start-up values", Count(m_stockSet.size()));
}

void BtnContronLib::RestoreStartupValues() {
    if (!IsTurboOn()) {
        return;
    }
    // A copy: the start-up values serve every later turbo off.
    OcValueList copy = m_stockSet;
    RestoreSavedValues(&copy);
    m_switchTarget = m_stockSet;
    ++m_switches;
    m_turboOn.store(false);
    m_announcer->SystemControlRequest(1, 0, 0);
    m_announcer->AnnounceValuesChanged();
}

void BtnContronLib::RestoreSwitchTarget() {
    OcValueList copy = m_switchTarget;
    RestoreSavedValues(&copy);
}

OcValueList BtnContronLib::StartupValuesBeside(const OcValueList& written) const {
    OcValueList values;
    for (const tagTwOcItemValue& value : m_stockSet) {
        // Ratio entries go by position: those of `written` replace all of them.
        if (std::none_of(written.begin(), written.end(),
                         [&value](const tagTwOcItemValue& w) { return w.id == value.id; })) {
            values.push_back(value);
        }
    }
    values.insert(values.end(), written.begin(), written.end());
    return values;
}

void BtnContronLib::EnableDormix() {
    if (m_dormixEnable != nullptr) {
        m_dormixEnable();
    }
}

void BtnContronLib::SaveCurrentValues(OcValueList* list) const {
    kora::SaveCurrentValues(Ratio(), list);
    lumen::Trace("[BtnContronLib] %u current values saved", Count(list->size()));
}

void BtnContronLib::RestoreSavedValues(OcValueList* list) {
    const size_t count = list->size();
    kora::RestoreSavedValues(ItemSet(), *m_announcer, list);
    if (count == 0) {
        lumen::Trace("[BtnContronLib] no saved values to write back");
    } else if (!list->empty()) {
        lumen::Trace("[BtnContronLib] item 0x%08X is set: %u saved values not written back", kRestoreGuardId,
                     Count(count));
    } else {
        lumen::Trace("[BtnContronLib] %u saved values written back", Count(count));
    }
}

OcValueList BtnContronLib::AcceptedRecords(const OcValueList& records) const {
    return kora::AcceptedRecords(ItemSet(), records);
}

}  // namespace kora
