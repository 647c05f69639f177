#include "lumen/core/DebugTrace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace lumen {

void Trace(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line - 2, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    if (n > static_cast<int>(sizeof line) - 3) {
        n = static_cast<int>(sizeof line) - 3;
    }
    line[n] = '\r';
    line[n + 1] = '\n';
    line[n + 2] = '\0';
    OutputDebugStringA(line);
}

}  // namespace lumen
