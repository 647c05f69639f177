#include "sim/powrprof/PowerSchemes.h"

#include <algorithm>
#include <cstdio>

#include "sim/TextSyntax.h"

namespace sim {

std::string GuidText(const SimGuid& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3),
                  g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

bool ParseGuid(const std::string& text, SimGuid* guid) {
    const std::optional<std::string> canonical = CanonicalGuid(text);
    if (!canonical) {
        return false;
    }
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the hex digits at fixed places.
    const std::string& c = *canonical;
    auto hex = [&c](size_t at, size_t digits) {
        uint32_t v = 0;
        for (size_t i = 0; i < digits; ++i) {
            const char d = c[at + i];
            v = v << 4 | static_cast<uint32_t>(d <= '9' ? d - '0' : d - 'A' + 10);
        }
        return v;
    };
    SimGuid g{};
    g.data1 = hex(1, 8);
    g.data2 = static_cast<uint16_t>(hex(10, 4));
    g.data3 = static_cast<uint16_t>(hex(15, 4));
    g.data4[0] = static_cast<uint8_t>(hex(20, 2));
    g.data4[1] = static_cast<uint8_t>(hex(22, 2));
    for (size_t i = 0; i < 6; ++i) {
        g.data4[2 + i] = static_cast<uint8_t>(hex(25 + 2 * i, 2));
    }
    *guid = g;
    return true;
}

uint32_t PowerSchemes::GetActive(std::string* scheme) const {
    if (m_board.schemes.empty() || m_state.activeScheme.empty()) {
        return kPowerFileNotFound;
    }
    *scheme = m_state.activeScheme;
    return kPowerOk;
}

bool PowerSchemes::Exists(const std::string& scheme) const {
    return !m_board.schemes.empty() && m_state.acIndex.count(scheme) != 0;
}

uint32_t PowerSchemes::SetActive(const std::string& scheme) {
    if (!Exists(scheme)) {
        return kPowerFileNotFound;
    }
    m_state.activeScheme = scheme;
    return kPowerOk;
}

bool PowerSchemes::IsButtonSetting(const std::string& subgroup, const std::string& setting) const {
    return subgroup == kSystemButtonSubgroupGuid && setting == kPowerButtonActionGuid;
}

uint32_t PowerSchemes::ReadAcValue(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                                   uint32_t* value) const {
    if (!Exists(scheme) || !IsButtonSetting(subgroup, setting)) {
        return kPowerFileNotFound;
    }
    *value = m_state.acIndex.at(scheme);
    return kPowerOk;
}

uint32_t PowerSchemes::WriteAcValue(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                                    uint32_t value) {
    if (!IsButtonSetting(subgroup, setting)) {
        return kPowerFileNotFound;
    }
    const bool all = scheme == kAllPowerSchemesGuid;
    if (all ? m_board.schemes.empty() : !Exists(scheme)) {
        return kPowerFileNotFound;
    }
    if (!m_board.AcceptsButtonAction(value)) {
        return kPowerInvalidParameter;
    }
    if (all) {
        for (auto& [guid, index] : m_state.acIndex) {
            index = value;
        }
    } else {
        m_state.acIndex[scheme] = value;
    }
    return kPowerOk;
}

uint32_t PowerSchemes::Enumerate(uint32_t index, std::string* scheme) const {
    const std::vector<std::string> list = SchemeList(m_board, m_state);
    if (index >= list.size()) {
        return kPowerNoMoreItems;
    }
    *scheme = list[index];
    return kPowerOk;
}

uint32_t PowerSchemes::Add(const std::string& scheme, uint32_t acIndex) {
    if (m_board.schemes.empty()) {
        return kPowerFileNotFound;
    }
    if (Exists(scheme) || scheme == kAllPowerSchemesGuid) {
        return kPowerAlreadyExists;
    }
    if (!m_board.AcceptsButtonAction(acIndex)) {
        return kPowerInvalidParameter;
    }
    m_state.acIndex[scheme] = acIndex;
    // A plan of the board deleted before comes back in its place; any other joins the end.
    if (m_board.FindScheme(scheme) != nullptr) {
        m_state.deletedSchemes.erase(scheme);
    } else {
        m_state.addedSchemes.push_back(scheme);
    }
    return kPowerOk;
}

uint32_t PowerSchemes::Delete(const std::string& scheme) {
    if (!Exists(scheme)) {
        return kPowerFileNotFound;
    }
    if (scheme == m_state.activeScheme) {
        return kPowerAccessDenied;
    }
    m_state.acIndex.erase(scheme);
    auto& added = m_state.addedSchemes;
    const auto it = std::find(added.begin(), added.end(), scheme);
    if (it != added.end()) {
        added.erase(it);
    } else {
        m_state.deletedSchemes.insert(scheme);
    }
    return kPowerOk;
}

std::string PowrprofWriteJournalLine(const std::string& scheme, const std::string& subgroup, const std::string& setting,
                                     uint32_t value, bool refused) {
    return "powrprof write " + scheme + " " + subgroup + " " + setting + " " + syntax::Hex32(value) +
           (refused ? " fail" : "");
}

std::string PowrprofSetActiveJournalLine(const std::string& scheme) {
    return "powrprof setactive " + scheme;
}

std::string PowrprofSchemeJournalLine(const char* change, const std::string& scheme) {
    return std::string("powrprof scheme ") + change + " " + scheme;
}

}  // namespace sim
