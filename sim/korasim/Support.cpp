#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "sim/Platform.h"
#include "sim/korasim/Commands.h"

namespace korasim {

std::optional<uint32_t> ParseNumber(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return std::nullopt;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != '\0' || value > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "kora-sim: %s\n", message.c_str());
    return code;
}

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

void Journal(const std::string& line) {
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("KORA_SIM_JOURNAL", path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        return;
    }
    // The same append as the simulator's own lines: one write, under the
    // journal's lock, so lines of processes sharing the journal never mix.
    (void)sim::platform::AppendToFile(path, line + "\n");
}

}  // namespace korasim
