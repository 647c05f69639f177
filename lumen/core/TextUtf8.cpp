#include "lumen/core/TextUtf8.h"

#include <utf8.h>

namespace lumen {

bool IsUtf8(std::string_view text) {
    return utf8::is_valid(text.begin(), text.end());
}

std::string CutToUtf16Units(std::string_view utf8, size_t maxUnits) {
    size_t units = 0;
    auto it = utf8.begin();
    auto kept = it;
    while (it != utf8.end()) {
        const auto lead = static_cast<unsigned char>(*it);
        // Four-byte sequences are the characters beyond the first plane: two units.
        const size_t need = lead >= 0xF0 ? 2 : 1;
        if (units + need > maxUnits) {
            break;
        }
        try {
            utf8::next(it, utf8.end());
        } catch (const utf8::exception&) {
            break;
        }
        units += need;
        kept = it;
    }
    return std::string(utf8.begin(), kept);
}

}  // namespace lumen
