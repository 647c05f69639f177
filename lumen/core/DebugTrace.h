#pragma once
// Diagnostics trace: one line per event, written to the debugger output (a debug
// viewer shows it on Windows; under Wine, WINEDEBUG=+debugstr).

namespace lumen {

// printf-style; a "\r\n" is appended. Lines longer than 1 KiB are cut.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace lumen
