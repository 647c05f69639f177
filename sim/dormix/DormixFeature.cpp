#include "sim/dormix/DormixFeature.h"

#include "sim/TextSyntax.h"

namespace sim {

uint32_t DormixFeature::Supported() const {
    return m_board.dormix && m_board.dormix->supported ? 1 : 0;
}

uint32_t DormixFeature::PacelySupported() const {
    return m_board.dormix && m_board.dormix->pacely ? 1 : 0;
}

uint32_t DormixFeature::HushlySupported() const {
    return m_board.dormix && m_board.dormix->hushly ? 1 : 0;
}

uint32_t DormixFeature::VentixThreeSupported() const {
    return m_board.dormix && m_board.dormix->ventix3 ? 1 : 0;
}

bool DormixFeature::GetLevel(uint32_t* level) const {
    if (Supported() == 0) {
        return false;
    }
    *level = m_state.level;
    return true;
}

bool DormixFeature::SetLevel(uint32_t level) {
    if (Supported() == 0) {
        return false;
    }
    m_state.level = level;
    return true;
}

bool DormixFeature::GetPowerButton(uint32_t* action, uint32_t* event) const {
    if (!m_board.dormix) {
        return false;
    }
    if (!m_board.schemes.empty()) {
        const auto active = m_state.acIndex.find(m_state.activeScheme);
        if (active == m_state.acIndex.end()) {
            return false;
        }
        *action = active->second;
        *event = 0;
        return true;
    }
    *action = m_state.buttonAction;
    *event = m_state.buttonEvent;
    return true;
}

bool DormixFeature::SetPowerButton(uint32_t action, uint32_t event) {
    if (!m_board.dormix) {
        return false;
    }
    if (!m_board.schemes.empty()) {
        // The library writes through the system's scheme functions, which take only the
        // actions the board's Windows defines.
        const auto active = m_state.acIndex.find(m_state.activeScheme);
        if (active == m_state.acIndex.end() || !m_board.AcceptsButtonAction(action)) {
            return false;
        }
        active->second = action;
        return true;
    }
    m_state.buttonAction = action;
    m_state.buttonEvent = event;
    return true;
}

bool DormixFeature::HasItem(uint32_t id) const {
    return m_board.dormix && m_state.dormixItems.count(id) != 0;
}

bool DormixFeature::GetItem(uint32_t id, uint32_t* value) const {
    if (!HasItem(id)) {
        return false;
    }
    *value = m_state.dormixItems.at(id);
    return true;
}

bool DormixFeature::SetItem(uint32_t id, uint32_t value) {
    if (!HasItem(id)) {
        return false;
    }
    m_state.dormixItems[id] = value;
    return true;
}

bool DormixFeature::SetFlag(const char* name, uint32_t value) {
    const auto it = m_state.flags.find(name);
    if (it != m_state.flags.end() && it->second == value) {
        return false;
    }
    m_state.flags[name] = value;
    return true;
}

std::string DormixJournalLine(std::string_view name, std::initializer_list<uint32_t> args) {
    std::string line = "dormix ";
    line += name;
    for (const uint32_t arg : args) {
        line += ' ';
        line += syntax::Hex32(arg);
    }
    return line;
}

std::string VvcMuteJournalLine(uint32_t mute) {
    return "vvc VISTA_SetMute " + syntax::Hex32(mute);
}

}  // namespace sim
