#pragma once
// The simulated board as its board file describes it: the firmware items with their
// descriptions and starting values, the blocks, the groups that fail, the power-feature
// library's starting state, the system's power schemes, its Windows version and its
// power supply. A Board never changes once read; what the stand-ins change lives in
// SimState.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/AcpiPackage.h"

namespace sim {

// The core selector: a write of c with mode 1 selects choice c for the per-core items.
constexpr uint32_t kCoreSelectorId = 0x030600F0;
// Selector choice that addresses every core at once.
constexpr uint32_t kAllCores = 255;

enum class ItemKind { Number, Boolean, TextList };

// Bits 16 to 19 of an item id: 7 boolean, 8 text list, anything else a number.
constexpr ItemKind KindOfId(uint32_t id) {
    const uint32_t kind = (id >> 16) & 0xF;
    return kind == 7 ? ItemKind::Boolean : kind == 8 ? ItemKind::TextList : ItemKind::Number;
}

struct BoardItem {
    uint32_t id = 0;
    uint32_t value = 0;  // unused when the item has per-core entries
    uint32_t attr = 0;
    uint32_t reported = 0;
    uint32_t base = 0;
    uint32_t step = 0;
    uint32_t count = 0;
    std::vector<std::string> extra;  // number items: extra texts, ahead of the numeric values
    std::vector<std::string> texts;  // text-list items
    std::vector<uint32_t> percore;   // one value per core choice; empty for a plain item
    bool noread = false;
    bool nowrite = false;
    int line = 0;  // where the board file lists it

    uint32_t Group() const { return id >> 24; }
    ItemKind Kind() const { return KindOfId(id); }
    bool IsPerCore() const { return !percore.empty(); }
    // Number of raw values the item takes (a number's index space counts its extra
    // texts first); 0 when the description sets no bound.
    uint32_t ValueLimit() const;
    bool AcceptsValue(uint32_t value) const;
};

struct DormixSettings {
    bool supported = true;
    uint32_t level = 0;
    uint32_t buttonAction = 0;
    uint32_t buttonEvent = 0;
    bool pacely = false;
    bool hushly = false;
    bool ventix3 = false;
    std::vector<std::pair<uint32_t, uint32_t>> items;  // feature items, in file order
};

struct PowerScheme {
    std::string guid;  // canonical: upper case, with braces
    uint32_t acIndex = 0;
    bool active = false;
    int line = 0;  // where the board file lists it
};

// The Windows version whose power-button actions the scheme functions accept: 0 do
// nothing, 1 sleep, 2 hibernate, 3 shut down, and on 10.0 (Windows 10 and 11) also
// 4, turn off the display.
struct WindowsVersion {
    uint32_t major = 10;
    uint32_t minor = 0;

    uint32_t MaxButtonAction() const { return major >= 10 ? 4 : 3; }
};

enum class PowerSource { Ac, Battery };

// The effective power modes (EFFECTIVE_POWER_MODE): 0 battery saver, 1 better battery,
// 2 balanced, 3 high performance, 4 maximum performance, 5 game mode, 6 mixed reality.
constexpr uint32_t kBalancedPowerMode = 2;
constexpr uint32_t kGamePowerMode = 5;
constexpr uint32_t kMaxPowerMode = 6;

// The `power` line: a machine with a battery, on AC or on it, and its effective power
// mode. Without the line: AC, no battery, balanced.
struct PowerSupply {
    PowerSource source = PowerSource::Ac;
    uint32_t mode = kBalancedPowerMode;
};

struct Board {
    std::optional<std::vector<uint32_t>> info;
    std::vector<BoardItem> items;                                           // in file order
    std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> blocks;  // (id, index) -> words
    std::set<uint32_t> failGroups;
    std::optional<DormixSettings> dormix;   // absent: the library reports every feature unsupported
    std::vector<PowerScheme> schemes;       // in file order; exactly one is active when any exist
    std::optional<WindowsVersion> windows;  // absent: 10.0
    std::optional<PowerSupply> power;       // absent: AC, no battery, balanced

    const BoardItem* FindItem(uint32_t id) const;
    std::vector<const BoardItem*> GroupItems(uint32_t group) const;
    const PowerScheme* FindScheme(std::string_view guid) const;
    const PowerScheme* ActiveScheme() const;
    WindowsVersion Windows() const { return windows.value_or(WindowsVersion{}); }
    bool AcceptsButtonAction(uint32_t action) const { return action <= Windows().MaxButtonAction(); }
};

// The description package AcpiGetItemInfo returns for an item: id, 0, attr, reported;
// then base, step, count and, with extra texts, their number and the texts (number);
// the number of texts and the texts (text list); one zero element (boolean).
PackageBuilder DescriptionPackage(const BoardItem& item);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from a GUID written with or without braces,
// in either case; nullopt when the text is no GUID.
std::optional<std::string> CanonicalGuid(std::string_view text);

}  // namespace sim
