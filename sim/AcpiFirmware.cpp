#include "sim/AcpiFirmware.h"

namespace sim {

uint32_t AcpiFirmware::SelectedCore() const {
    const auto it = m_state.values.find(kCoreSelectorId);
    return it == m_state.values.end() ? 0 : it->second;
}

const uint32_t* AcpiFirmware::Entry(const BoardItem& item, uint32_t choice) const {
    if (!item.IsPerCore()) {
        const auto it = m_state.values.find(item.id);
        return it == m_state.values.end() ? nullptr : &it->second;
    }
    const auto it = m_state.entries.find(item.id);
    if (it == m_state.entries.end()) {
        return nullptr;
    }
    const size_t index = choice == kAllCores ? 0 : choice;
    return index < it->second.size() ? &it->second[index] : nullptr;
}

bool AcpiFirmware::GetValue(uint32_t id, uint32_t* value) const {
    return GetValueWithArg(id, SelectedCore(), value);
}

bool AcpiFirmware::GetValueWithArg(uint32_t id, uint32_t arg, uint32_t* value) const {
    const BoardItem* item = m_board.FindItem(id);
    if (item == nullptr || item->noread) {
        return false;
    }
    const uint32_t* entry = Entry(*item, arg);
    if (entry == nullptr) {
        return false;
    }
    *value = *entry;
    return true;
}

bool AcpiFirmware::SetValue(uint32_t id, uint32_t value, uint32_t mode) {
    const BoardItem* item = m_board.FindItem(id);
    if ((mode != 1 && mode != 2) || item == nullptr || item->nowrite || !item->AcceptsValue(value)) {
        return false;
    }
    if (!item->IsPerCore()) {
        m_state.values[id] = value;
        return true;
    }
    auto it = m_state.entries.find(id);
    if (it == m_state.entries.end()) {
        return false;
    }
    const uint32_t choice = SelectedCore();
    if (choice == kAllCores) {
        for (uint32_t& entry : it->second) {
            entry = value;
        }
        return true;
    }
    if (choice >= it->second.size()) {
        return false;
    }
    it->second[choice] = value;
    return true;
}

std::optional<PackageBuilder> AcpiFirmware::InfoPackage() const {
    if (!m_board.info) {
        return std::nullopt;
    }
    PackageBuilder p;
    for (const uint32_t word : *m_board.info) {
        p.Value(word);
    }
    return p;
}

std::optional<PackageBuilder> AcpiFirmware::GroupPackage(uint32_t group) const {
    if (m_board.failGroups.count(group) != 0) {
        return std::nullopt;
    }
    const std::vector<const BoardItem*> items = m_board.GroupItems(group);
    if (items.empty()) {
        return std::nullopt;
    }
    PackageBuilder p;
    for (const BoardItem* item : items) {
        p.Value(item->id);
    }
    return p;
}

std::optional<PackageBuilder> AcpiFirmware::ItemInfoPackage(uint32_t id) const {
    const BoardItem* item = m_board.FindItem(id);
    if (item == nullptr) {
        return std::nullopt;
    }
    return DescriptionPackage(*item);
}

const std::vector<uint32_t>* AcpiFirmware::Block(uint32_t id, uint32_t index) const {
    const auto it = m_board.blocks.find({id, index});
    return it == m_board.blocks.end() ? nullptr : &it->second;
}

}  // namespace sim
