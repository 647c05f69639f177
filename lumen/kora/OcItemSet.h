#pragma once
// Overclocking values of firmware group 3: saving the current state, writing a new
// one in an order that keeps the processor safe, and restoring a saved one.
//
// A value list holds (item id, raw value) pairs; for numbers the raw value is an
// index into the item's value range. Ratio entries repeat, one per core.

#include <cstdint>
#include <memory>
#include <vector>

#include "lumen/kora/BiosInterface.h"
#include "lumen/kora/TwOcItemProfile.h"

namespace kora {

constexpr uint32_t kCoreSelectorId = 0x030600F0;
constexpr uint32_t kApplyControlId = 0x03080064;
constexpr uint32_t kVoltageLimitId = 0x03010060;
constexpr uint32_t kRestoreGuardId = 0x0B060001;
constexpr uint32_t kCapabilityId = 0x00060008;
constexpr uint32_t kCapability2Id = 0x00060009;
constexpr uint32_t kProfileBlockId = 0x05080002;
constexpr uint32_t kBaseFrequencyNumber = 0x11;
constexpr uint32_t kRatioNumber = 0x13;
constexpr uint32_t kVoltageNumber = 0x60;

constexpr uint32_t ItemNumber(uint32_t id) {
    return id & 0xFFFF;
}

// What an apply does beyond the firmware: the system control request and the
// announcement of changed values to the board maker's other utilities.
class OcAnnouncer {
public:
    virtual ~OcAnnouncer() = default;
    virtual void SystemControlRequest(uint32_t a1, uint32_t a2, uint32_t a3) = 0;
    virtual void AnnounceValuesChanged() = 0;
};

// The processor ratio: the group-3 item numbered 0x13 and the core selector.
class KrOcRatio {
public:
    KrOcRatio();  // walks group 3 once
    static KrOcRatio& Instance();

    bool HasItem() const { return m_item != nullptr; }
    uint32_t Id() const { return m_item ? m_item->Id() : 0; }
    bool SelectorPresent() const { return m_selector; }
    int Count() const { return m_count; }
    bool PerCore() const { return m_perCore; }
    bool IsWritable() const { return m_item != nullptr && m_item->IsWritable(); }
    uint32_t ReportedIndex() const { return m_item ? m_item->GetReportedIndex() : 0; }

    // One value per core when per-core, else one. False (and no values) when any
    // read fails, so that nothing unread is ever written back.
    bool ReadRatios(std::vector<uint32_t>* values) const;
    void WriteRatios(const std::vector<uint32_t>& values) const;
    // The physical ratio of the last choice; false when it cannot be read.
    bool CurrentRatio(double* ratio) const;
    double RatioValue(uint32_t index) const;

private:
    std::unique_ptr<BiosItem> m_item;
    bool m_selector = false;
    int m_count = 0;
    bool m_perCore = false;
};

// Group 3's writable items; place 0 holds the base frequency (number 0x11).
class KrOcPrimaryItemSet {
public:
    KrOcPrimaryItemSet(const KrOcRatio& ratio);  // walks group 3 once
    static KrOcPrimaryItemSet& Instance();

    const BiosItem* Place(size_t i) const { return i < m_items.size() ? m_items[i].get() : nullptr; }
    size_t Size() const { return m_items.size(); }

    // Writes the pairs in the safe order: when the clock falls, frequency and ratios
    // first, then the others; when it rises, the others first.
    void ApplyValues(const OcValueList& pairs) const;
    // Whether the pairs lower the effective clock (base frequency times ratio).
    bool FrequencyFalls(const OcValueList& pairs) const;

private:
    void WriteFrequency(const OcValueList& pairs) const;
    void WriteOthers(const OcValueList& pairs) const;

    const KrOcRatio& m_ratio;
    std::vector<std::unique_ptr<BiosItem>> m_items;
};

// The records that name a writable overclocking item of `set` by its whole id (the core
// selector, a control, excepted) with a value in the item's range, in their order:
// what a profile file or a record of the start-up values may give the firmware.
OcValueList AcceptedRecords(const KrOcPrimaryItemSet& set, const OcValueList& records);

// Writes value with mode 2 only when the current value reads and differs.
void WriteIfChanged(uint32_t id, uint32_t value);

// The current values of group 3's writable items, ratios first. A value that cannot
// be read is left out (all the ratios when one core's cannot: they go by position);
// false then.
bool SaveCurrentValues(const KrOcRatio& ratio, OcValueList* list);
// Appends the entries of `fresh` whose item has no entry in `list` (every ratio entry
// when the list has none); the number appended.
size_t AddMissingValues(const OcValueList& fresh, OcValueList* list);
// As SaveCurrentValues, with the ratio item's reported index for each ratio entry.
void CompleteCurrentList(const KrOcRatio& ratio, OcValueList* list);
// System control request (0, 0, 0), the write order, the apply control, the
// announcement. The number of value writes the firmware refused (0: all taken).
[[nodiscard]] uint32_t ApplyList(const KrOcPrimaryItemSet& set, OcAnnouncer& announcer, const OcValueList& list);
// Writes a saved list back (unless the firmware's guard item says not to) and empties
// it; announces the change.
void RestoreSavedValues(const KrOcPrimaryItemSet& set, OcAnnouncer& announcer, OcValueList* list);
// The (id, value) pairs of firmware profile block `index`, in block order: from word 1
// on, up to the end marker 0xFFFFFFFF or the end of what the library returned. False
// when the block cannot be read.
bool ReadFirmwareProfile(uint32_t index, OcValueList* pairs);
// The (id, value) pairs of firmware profile block `index`, laid over `list`: each
// entry whose id the block names takes the block's value. False when the block
// cannot be read.
bool OverlayFirmwareProfile(uint32_t index, OcValueList* list);

}  // namespace kora
