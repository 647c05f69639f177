#include "lumen/kora/OcItemSet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lumen/core/Report.h"
#include "lumen/kora/VendorApi.h"

namespace kora {
namespace {

constexpr uint32_t kOverclockGroup = 3;
constexpr uint32_t kEndOfBlock = 0xFFFFFFFF;

void NoGroupThree() {
    lumen::ShowMessage("Can not get any information from group 3", "AcOcItemSetBase");
}

const tagTwOcItemValue* FirstNumbered(const OcValueList& pairs, uint32_t number) {
    for (const tagTwOcItemValue& p : pairs) {
        if (ItemNumber(p.id) == number) {
            return &p;
        }
    }
    return nullptr;
}

void SelectCore(uint32_t choice) {
    AcpiSetValue(kCoreSelectorId, choice, kModeControl);
}

// The overclocking writes the firmware refused on this thread since the last reset
// (ApplyList counts them for its batch).
thread_local uint32_t t_refusedWrites = 0;

void WriteOverclock(uint32_t id, uint32_t value) {
    if ((AcpiSetValue(id, value, kModeOverclock) & 1) == 0) {
        ++t_refusedWrites;
    }
}

bool ReadRaw(uint32_t id, uint32_t* value) {
    return (AcpiGetValue(id, value) & 1) != 0;
}

// Appends the current values of group 3's writable items other than the ratio.
// False when an item's value could not be read (the group itself included).
bool AppendGroupThree(OcValueList* list) {
    GroupInfoTraverser traverser;
    if (!traverser.Open(kOverclockGroup)) {
        return false;
    }
    bool complete = true;
    for (; !traverser.IsEnd(); traverser.Next()) {
        std::unique_ptr<BiosItem> item(traverser.CreateItem());
        if (!item->IsWritable() || ItemNumber(item->Id()) == kRatioNumber) {
            continue;
        }
        uint32_t value = 0;
        // A value that cannot be read stays out of the list: a restore must never
        // write what was never read.
        if (ReadRaw(item->Id(), &value)) {
            list->push_back({item->Id(), value});
        } else {
            complete = false;
        }
    }
    return complete;
}

}  // namespace

// ---------------------------------------------------------------------------
// KrOcRatio

KrOcRatio::KrOcRatio() {
    AcpiInitialize();
    GroupInfoTraverser traverser;
    if (!traverser.Open(kOverclockGroup)) {
        NoGroupThree();
        return;
    }
    for (; !traverser.IsEnd(); traverser.Next()) {
        if (ItemNumber(traverser.CurrentId()) == kRatioNumber && m_item == nullptr) {
            m_item.reset(traverser.CreateItem());
        }
    }
    if (m_item == nullptr) {
        return;
    }
    m_selector = BiosItemSupported(kCoreSelectorId);
    m_count = 1;
    if (m_selector) {
        GroupInfoTraverser again;
        if (again.Open(kOverclockGroup)) {
            for (; !again.IsEnd(); again.Next()) {
                if (ItemNumber(again.CurrentId()) == ItemNumber(kCoreSelectorId)) {
                    std::unique_ptr<BiosItem> selector(again.CreateItem());
                    m_count = selector->GetCount();
                    break;
                }
            }
        }
    }
    if (BiosItemSupported(kCapabilityId) && BiosItemSupported(kCapability2Id)) {
        uint32_t first = 0;
        uint32_t second = 0;
        m_perCore = BiosReadValue(kCapabilityId, &first) && (first & 2) != 0;
        if (m_perCore && BiosReadValue(kCapability2Id, &second)) {
            m_perCore = (second & 2) != 0;
        }
    }
}

KrOcRatio& KrOcRatio::Instance() {
    static KrOcRatio instance;
    return instance;
}

bool KrOcRatio::ReadRatios(std::vector<uint32_t>* values) const {
    values->clear();
    if (m_item == nullptr) {
        return false;
    }
    const int n = m_perCore ? m_count : 1;
    for (int i = 0; i < n; ++i) {
        if (m_selector) {
            SelectCore(static_cast<uint32_t>(m_perCore ? i : m_count - 1));
        }
        uint32_t value = 0;
        if (!ReadRaw(m_item->Id(), &value)) {
            // Cores are matched to values by position: one gap would shift the rest.
            values->clear();
            return false;
        }
        values->push_back(value);
    }
    return true;
}

void KrOcRatio::WriteRatios(const std::vector<uint32_t>& values) const {
    if (!IsWritable() || m_count <= 0 || values.empty()) {
        return;
    }
    bool changed = false;
    uint32_t v = 0;
    for (int i = 0; i < m_count; ++i) {
        if (m_selector) {
            SelectCore(static_cast<uint32_t>(i));
        }
        if (m_perCore) {
            if (static_cast<size_t>(i) < values.size()) {
                v = values[static_cast<size_t>(i)];
            }
        } else {
            v = values[0];
        }
        uint32_t current = 0;
        if (ReadRaw(m_item->Id(), &current) && current != v) {
            WriteOverclock(m_item->Id(), v);
            changed = true;
        }
    }
    if (m_selector && changed) {
        SelectCore(255);
        WriteOverclock(m_item->Id(), v);
    }
}

bool KrOcRatio::CurrentRatio(double* ratio) const {
    if (m_item == nullptr) {
        return false;
    }
    if (m_selector) {
        SelectCore(static_cast<uint32_t>(m_count - 1));
    }
    uint32_t index = 0;
    if (!ReadRaw(m_item->Id(), &index)) {
        return false;
    }
    *ratio = m_item->IndexToValue(static_cast<int>(index));
    return true;
}

double KrOcRatio::RatioValue(uint32_t index) const {
    return m_item ? m_item->IndexToValue(static_cast<int>(index)) : 0.0;
}

// ---------------------------------------------------------------------------
// KrOcPrimaryItemSet

KrOcPrimaryItemSet::KrOcPrimaryItemSet(const KrOcRatio& ratio) : m_ratio(ratio) {
    AcpiInitialize();
    m_items.resize(5);
    GroupInfoTraverser traverser;
    if (!traverser.Open(kOverclockGroup)) {
        NoGroupThree();
        m_items.clear();
        return;
    }
    static constexpr uint32_t kPlaced[4] = {0x11, 0x12, 0x32, 0x15};
    for (; !traverser.IsEnd(); traverser.Next()) {
        std::unique_ptr<BiosItem> item(traverser.CreateItem());
        if (!item->IsWritable()) {
            continue;
        }
        const uint32_t number = ItemNumber(item->Id());
        size_t place = 0;
        while (place < 4 && kPlaced[place] != number) {
            ++place;
        }
        if (place < 4) {
            if (item->HasExtraStrings()) {
                char text[64];
                std::snprintf(text, sizeof text, "Item %x can not have extra string",
                              static_cast<unsigned>(item->Id()));
                lumen::ShowMessage(text, "TwAcpi");
            }
            m_items[place] = std::move(item);
        } else {
            m_items.push_back(std::move(item));
        }
    }
}

KrOcPrimaryItemSet& KrOcPrimaryItemSet::Instance() {
    static KrOcPrimaryItemSet instance(KrOcRatio::Instance());
    return instance;
}

bool KrOcPrimaryItemSet::FrequencyFalls(const OcValueList& pairs) const {
    const BiosItem* base = Place(0);
    const tagTwOcItemValue* p11 = FirstNumbered(pairs, kBaseFrequencyNumber);
    const tagTwOcItemValue* p13 = FirstNumbered(pairs, kRatioNumber);
    uint32_t current = 0;
    if (base == nullptr || p11 == nullptr || !ReadRaw(base->Id(), &current)) {
        return false;
    }
    const double newBase = base->IndexToValue(static_cast<int>(p11->value));
    const double curBase = base->IndexToValue(static_cast<int>(current));
    if (!m_ratio.IsWritable() || m_ratio.Count() == 0) {
        return newBase < curBase;
    }
    double currentRatio = 0.0;
    if (!m_ratio.CurrentRatio(&currentRatio)) {
        // Without the current ratio only the base frequencies can be compared.
        return newBase < curBase;
    }
    // Without a new ratio the ratio stays as it is on both sides.
    const double newRatio = p13 != nullptr ? m_ratio.RatioValue(p13->value) : currentRatio;
    return newRatio * newBase < currentRatio * curBase;
}

void KrOcPrimaryItemSet::WriteFrequency(const OcValueList& pairs) const {
    if (const tagTwOcItemValue* p11 = FirstNumbered(pairs, kBaseFrequencyNumber)) {
        WriteIfChanged(p11->id, p11->value);
    }
    if (FirstNumbered(pairs, kRatioNumber) == nullptr) {
        return;
    }
    std::vector<uint32_t> ratios;
    for (const tagTwOcItemValue& p : pairs) {
        if ((p.id & 0xFF) == kRatioNumber) {
            ratios.push_back(p.value);
        }
    }
    m_ratio.WriteRatios(ratios);
}

void KrOcPrimaryItemSet::WriteOthers(const OcValueList& pairs) const {
    auto writeRest = [&pairs] {
        for (const tagTwOcItemValue& p : pairs) {
            const uint32_t number = ItemNumber(p.id);
            if (number != kBaseFrequencyNumber && number != kRatioNumber && number != kVoltageNumber) {
                WriteIfChanged(p.id, p.value);
            }
        }
    };
    const tagTwOcItemValue* p60 = FirstNumbered(pairs, kVoltageNumber);
    if (p60 == nullptr) {
        writeRest();
        return;
    }
    uint32_t current = 0;
    if (!ReadRaw(kVoltageLimitId, &current)) {
        current = 0;
    }
    if (current >= p60->value) {
        WriteIfChanged(p60->id, p60->value);
        writeRest();
    } else {
        writeRest();
        WriteIfChanged(p60->id, p60->value);
    }
}

void KrOcPrimaryItemSet::ApplyValues(const OcValueList& pairs) const {
    if (FrequencyFalls(pairs)) {
        WriteFrequency(pairs);
        WriteOthers(pairs);
    } else {
        WriteOthers(pairs);
        WriteFrequency(pairs);
    }
}

// ---------------------------------------------------------------------------
// Value lists

namespace {

// Whether `value` is one of the item's raw values: an index below its count for
// numbers and text lists, 0 or 1 for a boolean.
bool InRange(const BiosItem& item, uint32_t value) {
    if (KindOf(item.Id()) == kKindBoolean) {
        return value <= 1;
    }
    const int count = item.GetCount();
    return count > 0 && value < static_cast<uint32_t>(count);
}

}  // namespace

OcValueList AcceptedRecords(const KrOcPrimaryItemSet& set, const OcValueList& records) {
    OcValueList accepted;
    for (const tagTwOcItemValue& record : records) {
        if (record.id == kCoreSelectorId) {
            continue;  // a control, never a value
        }
        for (size_t i = 0; i < set.Size(); ++i) {
            const BiosItem* item = set.Place(i);
            if (item != nullptr && item->Id() == record.id) {
                if (InRange(*item, record.value)) {
                    accepted.push_back(record);
                }
                break;
            }
        }
    }
    return accepted;
}

void WriteIfChanged(uint32_t id, uint32_t value) {
    uint32_t current = 0;
    if (ReadRaw(id, &current) && current != value) {
        WriteOverclock(id, value);
    }
}

bool SaveCurrentValues(const KrOcRatio& ratio, OcValueList* list) {
    list->clear();
    bool complete = true;
    if (ratio.Count() > 0) {
        std::vector<uint32_t> values;
        complete = ratio.ReadRatios(&values);
        for (uint32_t v : values) {
            list->push_back({ratio.Id(), v});
        }
    }
    return AppendGroupThree(list) && complete;
}

size_t AddMissingValues(const OcValueList& fresh, OcValueList* list) {
    auto holds = [](const OcValueList& values, uint32_t id) {
        return std::any_of(values.begin(), values.end(), [id](const tagTwOcItemValue& v) { return v.id == id; });
    };
    const OcValueList known = *list;
    size_t added = 0;
    for (const tagTwOcItemValue& value : fresh) {
        if (!holds(known, value.id)) {
            list->push_back(value);
            ++added;
        }
    }
    return added;
}

void CompleteCurrentList(const KrOcRatio& ratio, OcValueList* list) {
    list->clear();
    if (ratio.Count() > 0) {
        const int n = ratio.PerCore() ? ratio.Count() : 1;
        for (int i = 0; i < n; ++i) {
            list->push_back({ratio.Id(), ratio.ReportedIndex()});
        }
    }
    AppendGroupThree(list);
}

uint32_t ApplyList(const KrOcPrimaryItemSet& set, OcAnnouncer& announcer, const OcValueList& list) {
    announcer.SystemControlRequest(0, 0, 0);
    t_refusedWrites = 0;
    set.ApplyValues(list);
    const uint32_t refused = t_refusedWrites;
    if (BiosItemSupported(kApplyControlId)) {
        BiosWriteControl(kApplyControlId, 0);
    }
    announcer.AnnounceValuesChanged();
    return refused;
}

void RestoreSavedValues(const KrOcPrimaryItemSet& set, OcAnnouncer& announcer, OcValueList* list) {
    uint32_t guard = 0;
    if ((BiosReadValue(kRestoreGuardId, &guard) && guard != 0) || list->empty()) {
        return;
    }
    set.ApplyValues(*list);
    list->clear();
    announcer.AnnounceValuesChanged();
}

bool ReadFirmwareProfile(uint32_t index, OcValueList* pairs) {
    pairs->clear();
    std::vector<uint32_t> block(kPackageBufferSize / 4, 0);
    uint32_t size = kPackageBufferSize;
    if ((AcpiGetItemBlock(kProfileBlockId, index, block.data(), &size) & 1) == 0) {
        return false;
    }
    const uint32_t words = (size > kPackageBufferSize ? kPackageBufferSize : size) / 4;
    // Pairs from word 1 on; a pair is read only when both of its words lie inside
    // the block the library returned.
    for (uint32_t at = 1; at + 1 < words && block[at] != kEndOfBlock; at += 2) {
        pairs->push_back({block[at], block[at + 1]});
    }
    return true;
}

bool OverlayFirmwareProfile(uint32_t index, OcValueList* list) {
    OcValueList pairs;
    if (!ReadFirmwareProfile(index, &pairs)) {
        return false;
    }
    for (const tagTwOcItemValue& pair : pairs) {
        for (tagTwOcItemValue& entry : *list) {
            if (entry.id == pair.id) {
                entry.value = pair.value;
            }
        }
    }
    return true;
}

}  // namespace kora
