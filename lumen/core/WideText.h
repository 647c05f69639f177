#pragma once
// Texts at the wide (W) functions. Inside the program every text is UTF-8 in a
// std::string; it becomes UTF-16 only at the call that shows it, so that any language
// shows on any system whatever its code page.
//
// Texts that come from the system's ANSI functions (file names, the program's path) are
// in the system's code page: Widen takes a text that is not valid UTF-8 as such, so
// that either kind shows right. ASCII is the same in both.

#include <string>
#include <string_view>

namespace lumen {

std::wstring Widen(std::string_view text);
// UTF-16 back to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// A text in the system's code page (or already UTF-8) as UTF-8.
std::string Utf8FromAnsi(std::string_view text);

}  // namespace lumen
