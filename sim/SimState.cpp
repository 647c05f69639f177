#include "sim/SimState.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "sim/TextSyntax.h"

namespace sim {
namespace {

using syntax::Hex32;

// The id that names every scheme at once in the power-scheme functions: never a plan.
constexpr const char* kAllSchemesGuid = "{68A1E95E-13EA-41E1-8011-0C496CA490B0}";

bool IsFlagName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                        c == '-' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

class StateReader {
public:
    StateReader(const Board& board, SimState* state) : m_board(board), m_state(state) {}

    bool Read(std::string_view text, std::string_view name, std::string* error) {
        SimState result = *m_state;
        const std::vector<std::string_view> lines = syntax::SplitLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!ReadLine(lines[i], &result)) {
                *error = std::string(name) + ":" + std::to_string(i + 1) + ": " + m_error;
                return false;
            }
        }
        ResolveSchemes(&result);
        *m_state = std::move(result);
        return true;
    }

private:
    bool Fail(std::string message) {
        m_error = std::move(message);
        return false;
    }

    // All tokens after the keyword as numbers; exactly `count` of them unless count < 0.
    std::optional<std::vector<uint32_t>> Numbers(const std::vector<std::string_view>& tokens, int count) {
        if (count >= 0 && tokens.size() != static_cast<size_t>(count) + 1) {
            Fail(std::string("\"")
                     .append(tokens[0])
                     .append("\" takes ")
                     .append(std::to_string(count))
                     .append(" numbers"));
            return std::nullopt;
        }
        std::vector<uint32_t> numbers;
        for (size_t i = 1; i < tokens.size(); ++i) {
            uint32_t v;
            if (!syntax::ParseNumber(tokens[i], &v)) {
                Fail("bad number " + syntax::Quoted(tokens[i]));
                return std::nullopt;
            }
            numbers.push_back(v);
        }
        return numbers;
    }

    bool ReadLine(std::string_view line, SimState* s) {
        std::vector<std::string_view> tokens;
        std::string why;
        if (!syntax::SplitTokens(line, &tokens, &why)) {
            return Fail(why);
        }
        if (tokens.empty()) {
            return true;
        }
        const std::string_view key = tokens[0];
        if (key == "value") {
            const auto n = Numbers(tokens, 2);
            if (!n) {
                return false;
            }
            const BoardItem* item = m_board.FindItem((*n)[0]);
            if (item != nullptr && !item->IsPerCore() && item->AcceptsValue((*n)[1])) {
                s->values[item->id] = (*n)[1];
            }
            return true;
        }
        if (key == "entries") {
            const auto n = Numbers(tokens, -1);
            if (!n) {
                return false;
            }
            if (n->empty()) {
                return Fail("\"entries\" needs an ID");
            }
            const BoardItem* item = m_board.FindItem(n->front());
            if (item == nullptr || item->percore.size() != n->size() - 1) {
                return true;
            }
            std::vector<uint32_t> values(n->begin() + 1, n->end());
            for (const uint32_t v : values) {
                if (!item->AcceptsValue(v)) {
                    return true;
                }
            }
            s->entries[item->id] = std::move(values);
            return true;
        }
        if (key == "level") {
            const auto n = Numbers(tokens, 1);
            if (n) {
                s->level = (*n)[0];
            }
            return n.has_value();
        }
        if (key == "button") {
            const auto n = Numbers(tokens, 2);
            if (n) {
                s->buttonAction = (*n)[0];
                s->buttonEvent = (*n)[1];
            }
            return n.has_value();
        }
        if (key == "dormix-item") {
            const auto n = Numbers(tokens, 2);
            if (n) {
                s->dormixItems[(*n)[0]] = (*n)[1];
            }
            return n.has_value();
        }
        // The scheme lines are gathered and fitted to the board once the whole file is
        // read (ResolveSchemes): whether a plan exists depends on `added` and `deleted`
        // lines anywhere in the file.
        if (key == "scheme") {
            if (tokens.size() != 3) {
                return Fail("\"scheme\" takes a GUID and an AC index");
            }
            uint32_t index;
            if (!syntax::ParseNumber(tokens[2], &index)) {
                return Fail("bad number " + syntax::Quoted(tokens[2]));
            }
            if (const std::optional<std::string> guid = CanonicalGuid(tokens[1])) {
                m_schemeLines[*guid] = index;
            }
            return true;
        }
        if (key == "active" || key == "added" || key == "deleted") {
            if (tokens.size() != 2) {
                return Fail(std::string("\"").append(key).append("\" takes a GUID"));
            }
            if (const std::optional<std::string> guid = CanonicalGuid(tokens[1])) {
                if (key == "active") {
                    m_active = *guid;
                } else if (key == "deleted") {
                    m_deleted.insert(*guid);
                } else if (std::find(m_added.begin(), m_added.end(), *guid) == m_added.end()) {
                    m_added.push_back(*guid);
                }
            }
            return true;
        }
        if (key == "power-source") {
            if (tokens.size() != 2 || (tokens[1] != "ac" && tokens[1] != "battery")) {
                return Fail("\"power-source\" takes ac or battery");
            }
            s->powerSource = tokens[1] == "ac" ? PowerSource::Ac : PowerSource::Battery;
            return true;
        }
        if (key == "battery") {
            const auto n = Numbers(tokens, 1);
            if (n && (*n)[0] <= 1) {
                s->batteryPresent = (*n)[0] == 1;
            }
            return n.has_value();
        }
        if (key == "power-mode") {
            const auto n = Numbers(tokens, 1);
            if (n && (*n)[0] <= kMaxPowerMode) {
                s->powerMode = (*n)[0];
            }
            return n.has_value();
        }
        if (key == "flag") {
            uint32_t v;
            if (tokens.size() != 3 || !IsFlagName(tokens[1]) || !syntax::ParseNumber(tokens[2], &v)) {
                return Fail("\"flag\" takes a NAME and a number");
            }
            s->flags[std::string(tokens[1])] = v;
            return true;
        }
        return Fail("unknown line " + syntax::Quoted(key));
    }

    // Fits the file's scheme lines to the board: a board plan exists unless deleted, an
    // added plan only on a board with schemes, with its action on a `scheme` line, and
    // never under the id that stands for every scheme. Actions the board's Windows does
    // not define are passed over; the active plan always exists.
    void ResolveSchemes(SimState* s) const {
        if (m_board.schemes.empty()) {
            return;
        }
        std::set<std::string> deleted = s->deletedSchemes;
        for (const std::string& guid : m_deleted) {
            if (m_board.FindScheme(guid) != nullptr) {
                deleted.insert(guid);
            }
        }
        std::vector<std::string> added = s->addedSchemes;
        for (const std::string& guid : m_added) {
            const auto line = m_schemeLines.find(guid);
            const bool fits = m_board.FindScheme(guid) == nullptr && guid != kAllSchemesGuid &&
                              line != m_schemeLines.end() && m_board.AcceptsButtonAction(line->second);
            if (fits && std::find(added.begin(), added.end(), guid) == added.end()) {
                added.push_back(guid);
            }
        }
        const auto exists = [&](const std::string& guid) {
            return (m_board.FindScheme(guid) != nullptr && deleted.count(guid) == 0) ||
                   std::find(added.begin(), added.end(), guid) != added.end();
        };
        std::string active = s->activeScheme;
        if (m_active && exists(*m_active)) {
            active = *m_active;
        }
        deleted.erase(active);

        std::map<std::string, uint32_t> acIndex;
        for (const PowerScheme& scheme : m_board.schemes) {
            if (deleted.count(scheme.guid) == 0) {
                const auto known = s->acIndex.find(scheme.guid);
                acIndex[scheme.guid] = known != s->acIndex.end() ? known->second : scheme.acIndex;
            }
        }
        for (const std::string& guid : added) {
            acIndex[guid] = s->acIndex.count(guid) != 0 ? s->acIndex.at(guid) : m_schemeLines.at(guid);
        }
        for (const auto& [guid, index] : m_schemeLines) {
            if (acIndex.count(guid) != 0 && m_board.AcceptsButtonAction(index)) {
                acIndex[guid] = index;
            }
        }
        s->acIndex = std::move(acIndex);
        s->addedSchemes = std::move(added);
        s->deletedSchemes = std::move(deleted);
        s->activeScheme = std::move(active);
    }

    const Board& m_board;
    SimState* m_state;
    std::string m_error;
    std::map<std::string, uint32_t> m_schemeLines;  // canonical GUID -> the last action given for it
    std::vector<std::string> m_added;
    std::set<std::string> m_deleted;
    std::optional<std::string> m_active;
};

}  // namespace

SimState InitialState(const Board& board) {
    SimState s;
    for (const BoardItem& item : board.items) {
        if (item.IsPerCore()) {
            s.entries[item.id] = item.percore;
        } else {
            s.values[item.id] = item.value;
        }
    }
    if (board.dormix) {
        s.level = board.dormix->level;
        s.buttonAction = board.dormix->buttonAction;
        s.buttonEvent = board.dormix->buttonEvent;
        for (const auto& [id, value] : board.dormix->items) {
            s.dormixItems[id] = value;
        }
    }
    for (const PowerScheme& scheme : board.schemes) {
        s.acIndex[scheme.guid] = scheme.acIndex;
        if (scheme.active) {
            s.activeScheme = scheme.guid;
        }
    }
    if (board.power) {
        s.powerSource = board.power->source;
        s.batteryPresent = true;
        s.powerMode = board.power->mode;
    }
    return s;
}

std::vector<std::string> SchemeList(const Board& board, const SimState& state) {
    std::vector<std::string> list;
    for (const PowerScheme& scheme : board.schemes) {
        if (state.acIndex.count(scheme.guid) != 0) {
            list.push_back(scheme.guid);
        }
    }
    for (const std::string& guid : state.addedSchemes) {
        if (state.acIndex.count(guid) != 0) {
            list.push_back(guid);
        }
    }
    return list;
}

bool ReadStateText(std::string_view text, std::string_view name, const Board& board, SimState* state,
                   std::string* error) {
    return StateReader(board, state).Read(text, name, error);
}

std::string StateText(const SimState& s) {
    std::string out = "# board simulator state; replaced as a whole after every change\n";
    // Appending part by part (rather than "literal" + string) also keeps GCC 12's
    // -Wrestrict false positive on string concatenation away.
    const auto line = [&out](std::initializer_list<std::string_view> parts) {
        bool first = true;
        for (const std::string_view part : parts) {
            if (!first) {
                out += ' ';
            }
            first = false;
            out += part;
        }
        out += '\n';
    };
    for (const auto& [id, value] : s.values) {
        line({"value", Hex32(id), Hex32(value)});
    }
    for (const auto& [id, values] : s.entries) {
        out += "entries ";
        out += Hex32(id);
        for (const uint32_t v : values) {
            out += ' ';
            out += Hex32(v);
        }
        out += '\n';
    }
    line({"level", Hex32(s.level)});
    line({"button", Hex32(s.buttonAction), Hex32(s.buttonEvent)});
    for (const auto& [id, value] : s.dormixItems) {
        line({"dormix-item", Hex32(id), Hex32(value)});
    }
    for (const auto& [guid, index] : s.acIndex) {
        line({"scheme", guid, Hex32(index)});
    }
    for (const std::string& guid : s.addedSchemes) {
        line({"added", guid});
    }
    for (const std::string& guid : s.deletedSchemes) {
        line({"deleted", guid});
    }
    if (!s.activeScheme.empty()) {
        line({"active", s.activeScheme});
    }
    line({"power-source", s.powerSource == PowerSource::Ac ? "ac" : "battery"});
    line({"battery", Hex32(s.batteryPresent ? 1 : 0)});
    line({"power-mode", Hex32(s.powerMode)});
    for (const auto& [name, value] : s.flags) {
        if (IsFlagName(name)) {  // any other name could not be read back
            line({"flag", name, Hex32(value)});
        }
    }
    return out;
}

}  // namespace sim
