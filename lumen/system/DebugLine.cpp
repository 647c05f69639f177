#include "lumen/system/DebugLine.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace lumen {

std::string FormatDebugLineV(const char* format, va_list args) {
    char buffer[kDebugLineMaxText + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        return "\r\n";
    }
    size_t length = static_cast<size_t>(n) < kDebugLineMaxText ? static_cast<size_t>(n) : kDebugLineMaxText;
    while (length > 0) {
        const char c = buffer[length - 1];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f') {
            break;
        }
        --length;
    }
    std::string line(buffer, length);
    line += "\r\n";
    return line;
}

std::string FormatDebugLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = FormatDebugLineV(format, args);
    va_end(args);
    return line;
}

void DebugLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string line = FormatDebugLineV(format, args);
    va_end(args);
#if defined(_WIN32)
    OutputDebugStringA(line.c_str());
#else
    std::fputs(line.c_str(), stderr);
#endif
}

}  // namespace lumen
