#include "sim/BoardParser.h"

#include <set>
#include <vector>

#include "sim/TextSyntax.h"

namespace sim {
namespace {

using syntax::Hex32;
using syntax::Quoted;
using Tokens = std::vector<std::string_view>;

// One option token: `key=value`, or a bare flag (`noread`) with an empty value.
struct Option {
    std::string_view key;
    std::string_view value;
    bool hasValue = false;
};

Option SplitOption(std::string_view token) {
    const size_t eq = token.find('=');
    if (eq == std::string_view::npos) {
        return {token, {}, false};
    }
    return {token.substr(0, eq), token.substr(eq + 1), true};
}

const char* KindName(ItemKind kind) {
    switch (kind) {
        case ItemKind::Number:
            return "number";
        case ItemKind::Boolean:
            return "boolean";
        case ItemKind::TextList:
            return "text-list";
    }
    return "";
}

class BoardParser {
public:
    std::optional<Board> Parse(std::string_view text, std::string_view name, std::string* error) {
        const std::vector<std::string_view> lines = syntax::SplitLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            m_line = static_cast<int>(i + 1);
            if (!ParseLine(lines[i])) {
                *error = std::string(name) + ":" + std::to_string(m_line) + ": " + m_error;
                return std::nullopt;
            }
        }
        // A board with schemes always has an active one: the first, unless one is marked.
        if (!m_board.schemes.empty() && m_board.ActiveScheme() == nullptr) {
            m_board.schemes.front().active = true;
        }
        // The `windows` line may follow the schemes: their actions are checked against it
        // once the whole file is read.
        for (const PowerScheme& scheme : m_board.schemes) {
            if (!m_board.AcceptsButtonAction(scheme.acIndex)) {
                const WindowsVersion windows = m_board.Windows();
                *error = std::string(name) + ":" + std::to_string(scheme.line) + ": power-button action " +
                         std::to_string(scheme.acIndex) + " of scheme " + scheme.guid + " is not one of Windows " +
                         std::to_string(windows.major) + "." + std::to_string(windows.minor) + " (0 to " +
                         std::to_string(windows.MaxButtonAction()) + ")";
                return std::nullopt;
            }
        }
        return std::move(m_board);
    }

private:
    bool Fail(std::string message) {
        m_error = std::move(message);
        return false;
    }

    bool Number(std::string_view token, uint32_t* value) {
        return syntax::ParseNumber(token, value) || Fail("bad number " + Quoted(token));
    }

    bool Flag(const Option& option, bool* value) {
        uint32_t v;
        if (!syntax::ParseNumber(option.value, &v) || v > 1) {
            return Fail("option \"" + std::string(option.key) + "\" takes 0 or 1, not " + Quoted(option.value));
        }
        *value = v == 1;
        return true;
    }

    // Each option once per line: a second `count=` is more likely a typo than a wish.
    bool Once(std::set<std::string_view>* seen, const Option& option) {
        return seen->insert(option.key).second || Fail("option \"" + std::string(option.key) + "\" is given twice");
    }

    bool ParseLine(std::string_view line) {
        Tokens tokens;
        std::string why;
        if (!syntax::SplitTokens(line, &tokens, &why)) {
            return Fail(why);
        }
        if (tokens.empty()) {
            return true;
        }
        const std::string_view directive = tokens[0];
        if (directive == "info") {
            return ParseInfo(tokens);
        }
        if (directive == "item") {
            return ParseItem(tokens);
        }
        if (directive == "block") {
            return ParseBlock(tokens);
        }
        if (directive == "fail") {
            return ParseFail(tokens);
        }
        if (directive == "dormix") {
            return ParseDormix(tokens);
        }
        if (directive == "scheme") {
            return ParseScheme(tokens);
        }
        if (directive == "windows") {
            return ParseWindows(tokens);
        }
        if (directive == "power") {
            return ParsePower(tokens);
        }
        return Fail("unknown directive " + Quoted(directive));
    }

    bool ParseInfo(const Tokens& tokens) {
        if (m_board.info) {
            return Fail("a second \"info\" line");
        }
        std::vector<uint32_t> words;
        for (size_t i = 1; i < tokens.size(); ++i) {
            uint32_t w;
            if (!Number(tokens[i], &w)) {
                return false;
            }
            words.push_back(w);
        }
        m_board.info = std::move(words);
        return true;
    }

    bool ParseItem(const Tokens& tokens) {
        if (tokens.size() < 3) {
            return Fail("\"item\" needs an ID and a VALUE");
        }
        BoardItem item;
        item.line = m_line;
        if (!Number(tokens[1], &item.id) || !Number(tokens[2], &item.value)) {
            return false;
        }
        if (const BoardItem* earlier = m_board.FindItem(item.id)) {
            return Fail("item " + Hex32(item.id) + " is already listed on line " + std::to_string(earlier->line));
        }
        std::set<std::string_view> seen;
        for (size_t i = 3; i < tokens.size(); ++i) {
            const Option option = SplitOption(tokens[i]);
            if (!Once(&seen, option) || !ItemOption(option, &item)) {
                return false;
            }
        }
        // A text list's description holds at least one text; the item model refuses any other.
        if (item.Kind() == ItemKind::TextList && item.texts.empty()) {
            return Fail("the text-list item " + Hex32(item.id) + " has no texts");
        }
        if (item.IsPerCore()) {
            if (item.id == kCoreSelectorId) {
                return Fail("the core selector " + Hex32(item.id) + " cannot have per-core values");
            }
            for (const uint32_t v : item.percore) {
                if (!item.AcceptsValue(v)) {
                    return Fail("per-core value " + std::to_string(v) + " is out of range for item " + Hex32(item.id));
                }
            }
        } else if (!item.AcceptsValue(item.value)) {
            return Fail("value " + std::to_string(item.value) + " is out of range for item " + Hex32(item.id));
        }
        m_board.items.push_back(std::move(item));
        return true;
    }

    bool ItemOption(const Option& option, BoardItem* item) {
        const std::string key(option.key);
        const ItemKind kind = item->Kind();
        if (key == "noread" || key == "nowrite") {
            if (option.hasValue) {
                return Fail("option \"" + key + "\" takes no value");
            }
            (key == "noread" ? item->noread : item->nowrite) = true;
            return true;
        }
        if (!option.hasValue) {
            return Fail("unknown option " + Quoted(option.key));
        }
        if (key == "attr") {
            return Number(option.value, &item->attr);
        }
        if (key == "reported") {
            return Number(option.value, &item->reported);
        }
        if (key == "percore") {
            return syntax::ParseNumberList(option.value, &item->percore) ||
                   Fail("bad per-core list " + Quoted(option.value));
        }
        const bool numberOption = key == "base" || key == "step" || key == "count" || key == "extra";
        if (numberOption && kind != ItemKind::Number) {
            return Fail("option \"" + key + "\" does not fit the " + KindName(kind) + " item " + Hex32(item->id));
        }
        if (key == "base") {
            return Number(option.value, &item->base);
        }
        if (key == "step") {
            return Number(option.value, &item->step);
        }
        if (key == "count") {
            return Number(option.value, &item->count);
        }
        if (key == "extra") {
            return syntax::ParseTextList(option.value, &item->extra) || Fail("bad text list " + Quoted(option.value));
        }
        if (key == "texts") {
            if (kind != ItemKind::TextList) {
                return Fail("option \"texts\" does not fit the " + std::string(KindName(kind)) + " item " +
                            Hex32(item->id));
            }
            return syntax::ParseTextList(option.value, &item->texts) || Fail("bad text list " + Quoted(option.value));
        }
        return Fail("unknown option " + Quoted(option.key));
    }

    bool ParseBlock(const Tokens& tokens) {
        if (tokens.size() < 3) {
            return Fail("\"block\" needs an ID and an INDEX");
        }
        uint32_t id, index;
        if (!Number(tokens[1], &id) || !Number(tokens[2], &index)) {
            return false;
        }
        std::vector<uint32_t> words;
        for (size_t i = 3; i < tokens.size(); ++i) {
            uint32_t w;
            if (!Number(tokens[i], &w)) {
                return false;
            }
            words.push_back(w);
        }
        if (!m_board.blocks.emplace(std::make_pair(id, index), std::move(words)).second) {
            return Fail("block " + Hex32(id) + " " + std::to_string(index) + " is listed twice");
        }
        return true;
    }

    bool ParseFail(const Tokens& tokens) {
        uint32_t group;
        if (tokens.size() != 3 || tokens[1] != "group") {
            return Fail("\"fail\" takes the form \"fail group G\"");
        }
        if (!Number(tokens[2], &group)) {
            return false;
        }
        m_board.failGroups.insert(group);
        return true;
    }

    bool ParseDormix(const Tokens& tokens) {
        if (m_board.dormix) {
            return Fail("a second \"dormix\" line");
        }
        DormixSettings settings;
        std::set<std::string_view> seen;
        for (size_t i = 1; i < tokens.size(); ++i) {
            const Option option = SplitOption(tokens[i]);
            const std::string key(option.key);
            if (!option.hasValue) {
                return Fail("unknown option " + Quoted(option.key));
            }
            if (key == "item") {
                // Repeatable, and each may list several ID:VALUE pairs separated by commas.
                if (!DormixItems(option.value, &settings)) {
                    return false;
                }
                continue;
            }
            if (!Once(&seen, option)) {
                return false;
            }
            bool ok;
            if (key == "supported") {
                ok = Flag(option, &settings.supported);
            } else if (key == "pacely") {
                ok = Flag(option, &settings.pacely);
            } else if (key == "hushly") {
                ok = Flag(option, &settings.hushly);
            } else if (key == "ventix3") {
                ok = Flag(option, &settings.ventix3);
            } else if (key == "level") {
                ok = Number(option.value, &settings.level);
            } else if (key == "button") {
                std::vector<uint32_t> pair;
                ok = (syntax::ParseNumberList(option.value, &pair) && pair.size() == 2) ||
                     Fail("\"button\" takes ACTION,EVENT, not " + Quoted(option.value));
                if (ok) {
                    settings.buttonAction = pair[0];
                    settings.buttonEvent = pair[1];
                }
            } else {
                ok = Fail("unknown option " + Quoted(option.key));
            }
            if (!ok) {
                return false;
            }
        }
        m_board.dormix = std::move(settings);
        return true;
    }

    bool DormixItems(std::string_view list, DormixSettings* settings) {
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(',', start);
            if (end == std::string_view::npos) {
                end = list.size();
            }
            const std::string_view pair = list.substr(start, end - start);
            const size_t colon = pair.find(':');
            uint32_t id, value;
            if (colon == std::string_view::npos || !syntax::ParseNumber(pair.substr(0, colon), &id) ||
                !syntax::ParseNumber(pair.substr(colon + 1), &value)) {
                return Fail("\"item\" takes ID:VALUE, not " + Quoted(pair));
            }
            for (const auto& [known, unused] : settings->items) {
                if (known == id) {
                    return Fail("dormix item " + Hex32(id) + " is given twice");
                }
            }
            settings->items.emplace_back(id, value);
            start = end + 1;
        }
        return true;
    }

    bool ParseScheme(const Tokens& tokens) {
        if (tokens.size() < 3 || tokens.size() > 4 || (tokens.size() == 4 && tokens[3] != "active")) {
            return Fail("\"scheme\" takes the form \"scheme GUID AC_INDEX [active]\"");
        }
        PowerScheme scheme;
        const std::optional<std::string> guid = CanonicalGuid(tokens[1]);
        if (!guid) {
            return Fail("bad GUID " + Quoted(tokens[1]));
        }
        scheme.guid = *guid;
        if (!Number(tokens[2], &scheme.acIndex)) {
            return false;
        }
        scheme.active = tokens.size() == 4;
        scheme.line = m_line;
        if (m_board.FindScheme(scheme.guid) != nullptr) {
            return Fail("scheme " + scheme.guid + " is listed twice");
        }
        if (scheme.active && m_board.ActiveScheme() != nullptr) {
            return Fail("a second active scheme");
        }
        m_board.schemes.push_back(std::move(scheme));
        return true;
    }

    // `windows MAJOR.MINOR`: the versions with power schemes, 6.0 (Vista) to 6.3 (8.1),
    // and 10.0, which Windows 11 reports too.
    bool ParseWindows(const Tokens& tokens) {
        if (m_board.windows) {
            return Fail("a second \"windows\" line");
        }
        const char* usage = "\"windows\" takes 6.0 to 6.3 or 10.0 (Windows 11 is 10.0)";
        if (tokens.size() != 2) {
            return Fail(usage);
        }
        const std::string_view version = tokens[1];
        const size_t dot = version.find('.');
        WindowsVersion windows;
        if (dot == std::string_view::npos || !DecimalDigits(version.substr(0, dot), &windows.major) ||
            !DecimalDigits(version.substr(dot + 1), &windows.minor)) {
            return Fail(usage);
        }
        const bool known = (windows.major == 6 && windows.minor <= 3) || (windows.major == 10 && windows.minor == 0);
        if (!known) {
            return Fail(usage);
        }
        m_board.windows = windows;
        return true;
    }

    // One to three decimal digits, nothing else ("6", "10"; not "0x6", "-1" or "").
    static bool DecimalDigits(std::string_view text, uint32_t* value) {
        if (text.empty() || text.size() > 3) {
            return false;
        }
        uint32_t v = 0;
        for (const char c : text) {
            if (c < '0' || c > '9') {
                return false;
            }
            v = v * 10 + static_cast<uint32_t>(c - '0');
        }
        *value = v;
        return true;
    }

    // `power source=ac|battery [mode=N]`.
    bool ParsePower(const Tokens& tokens) {
        if (m_board.power) {
            return Fail("a second \"power\" line");
        }
        PowerSupply power;
        bool hasSource = false;
        std::set<std::string_view> seen;
        for (size_t i = 1; i < tokens.size(); ++i) {
            const Option option = SplitOption(tokens[i]);
            if (!option.hasValue) {
                return Fail("unknown option " + Quoted(option.key));
            }
            if (!Once(&seen, option)) {
                return false;
            }
            if (option.key == "source") {
                if (option.value == "ac") {
                    power.source = PowerSource::Ac;
                } else if (option.value == "battery") {
                    power.source = PowerSource::Battery;
                } else {
                    return Fail("\"source\" takes ac or battery, not " + Quoted(option.value));
                }
                hasSource = true;
            } else if (option.key == "mode") {
                if (!Number(option.value, &power.mode)) {
                    return false;
                }
                if (power.mode > kMaxPowerMode) {
                    return Fail("power mode " + std::to_string(power.mode) + " is not one of 0 to " +
                                std::to_string(kMaxPowerMode));
                }
            } else {
                return Fail("unknown option " + Quoted(option.key));
            }
        }
        if (!hasSource) {
            return Fail("\"power\" takes the form \"power source=ac|battery [mode=N]\"");
        }
        m_board.power = power;
        return true;
    }

    Board m_board;
    int m_line = 0;
    std::string m_error;
};

}  // namespace

std::optional<Board> ParseBoard(std::string_view text, std::string_view name, std::string* error) {
    return BoardParser().Parse(text, name, error);
}

}  // namespace sim
