#pragma once
// UTF-8, the form of every text inside the program: checks and cuts that need no
// Windows (lumen/core/WideText.h turns texts into what the wide functions take).

#include <cstddef>
#include <string>
#include <string_view>

namespace lumen {

// True when `text` is valid UTF-8 (no cut, overlong or surrogate sequences).
bool IsUtf8(std::string_view text);
// `utf8` cut to at most `maxUnits` UTF-16 code units, never inside a character; an
// invalid sequence ends it.
std::string CutToUtf16Units(std::string_view utf8, size_t maxUnits);

}  // namespace lumen
