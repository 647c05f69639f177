#include "sim/SimState.h"

#include <initializer_list>
#include <optional>

#include "sim/TextSyntax.h"

namespace sim {
namespace {

using syntax::Hex32;

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
        if (key == "scheme") {
            if (tokens.size() != 3) {
                return Fail("\"scheme\" takes a GUID and an AC index");
            }
            uint32_t index;
            if (!syntax::ParseNumber(tokens[2], &index)) {
                return Fail("bad number " + syntax::Quoted(tokens[2]));
            }
            if (const PowerScheme* scheme = m_board.FindScheme(tokens[1])) {
                s->acIndex[scheme->guid] = index;
            }
            return true;
        }
        if (key == "active") {
            if (tokens.size() != 2) {
                return Fail("\"active\" takes a GUID");
            }
            if (const PowerScheme* scheme = m_board.FindScheme(tokens[1])) {
                s->activeScheme = scheme->guid;
            }
            return true;
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

    const Board& m_board;
    SimState* m_state;
    std::string m_error;
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
    return s;
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
        for (const std::string_view part : parts) {
            if (&part != parts.begin()) {
                out += ' ';
            }
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
    if (!s.activeScheme.empty()) {
        line({"active", s.activeScheme});
    }
    for (const auto& [name, value] : s.flags) {
        if (IsFlagName(name)) {  // any other name could not be read back
            line({"flag", name, Hex32(value)});
        }
    }
    return out;
}

}  // namespace sim
