#include "sim/Board.h"

#include <cctype>

namespace sim {

uint32_t BoardItem::ValueLimit() const {
    switch (Kind()) {
        case ItemKind::Boolean:
            return 2;
        case ItemKind::TextList:
            return static_cast<uint32_t>(texts.size());
        case ItemKind::Number:
            break;
    }
    if (count == 0 && extra.empty()) {
        return 0;
    }
    const uint64_t limit = uint64_t{count} + extra.size();
    return limit > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(limit);
}

bool BoardItem::AcceptsValue(uint32_t v) const {
    if (id == kCoreSelectorId && v == kAllCores) {
        return true;
    }
    const uint32_t limit = ValueLimit();
    return limit == 0 || v < limit;
}

const BoardItem* Board::FindItem(uint32_t id) const {
    for (const BoardItem& item : items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

std::vector<const BoardItem*> Board::GroupItems(uint32_t group) const {
    std::vector<const BoardItem*> result;
    for (const BoardItem& item : items) {
        if (item.Group() == group) {
            result.push_back(&item);
        }
    }
    return result;
}

const PowerScheme* Board::FindScheme(std::string_view guid) const {
    const std::optional<std::string> canonical = CanonicalGuid(guid);
    if (!canonical) {
        return nullptr;
    }
    for (const PowerScheme& scheme : schemes) {
        if (scheme.guid == *canonical) {
            return &scheme;
        }
    }
    return nullptr;
}

const PowerScheme* Board::ActiveScheme() const {
    for (const PowerScheme& scheme : schemes) {
        if (scheme.active) {
            return &scheme;
        }
    }
    return nullptr;
}

PackageBuilder DescriptionPackage(const BoardItem& item) {
    PackageBuilder p;
    p.Value(item.id).Value(0).Value(item.attr).Value(item.reported);
    switch (item.Kind()) {
        case ItemKind::Number:
            p.Value(item.base).Value(item.step).Value(item.count);
            if (!item.extra.empty()) {
                p.Value(static_cast<uint32_t>(item.extra.size()));
                for (const std::string& text : item.extra) {
                    p.Text(text);
                }
            }
            break;
        case ItemKind::TextList:
            p.Value(static_cast<uint32_t>(item.texts.size()));
            for (const std::string& text : item.texts) {
                p.Text(text);
            }
            break;
        case ItemKind::Boolean:
            p.Value(0);
            break;
    }
    return p;
}

std::optional<std::string> CanonicalGuid(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::string out = "{";
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') {
                return std::nullopt;
            }
        } else if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out + "}";
}

}  // namespace sim
