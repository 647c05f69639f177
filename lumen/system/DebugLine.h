#pragma once
// Diagnostics lines of the pipe layer and the system control client, written to the
// debugger output: formatted into a 4096-byte buffer (at most 4093 characters), trailing
// white space removed, "\r\n" appended. Nothing of it reaches the user.

#include <cstdarg>
#include <cstddef>
#include <string>

namespace lumen {

// Longest formatted text kept before the line end is appended.
constexpr size_t kDebugLineMaxText = 4093;

std::string FormatDebugLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatDebugLineV(const char* format, va_list args);

// Formats as above and writes the line to the debugger output (standard error
// outside Windows).
void DebugLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace lumen
