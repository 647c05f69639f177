// A second process for the tests of the board simulator: makes calls through
// KRACPI.DLL, bound by ordinal exactly as the program binds it, and prints what they
// returned.
//
//   sim_probe set ID VALUE MODE    prints "ok" or "fail"; exits 0 on ok, 1 on fail
//   sim_probe get ID               prints the value as 0x%08X; exits 0, or 1 when the read fails
//   sim_probe repeat COUNT ID      COUNT writes of 0, 1, 2, ... (mode 2); exits 0 when all succeed
// Bad arguments exit 2.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumen/kora/VendorApi.h"

namespace {

bool Number(const char* text, uint32_t* value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || v > 0xFFFFFFFFull) {
        return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: sim_probe set ID VALUE MODE | get ID | repeat COUNT ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t a, b, c;
    if (argc == 5 && std::strcmp(argv[1], "set") == 0 && Number(argv[2], &a) && Number(argv[3], &b) &&
        Number(argv[4], &c)) {
        const bool ok = (AcpiSetValue(a, b, c) & 1) != 0;
        std::printf("%s\n", ok ? "ok" : "fail");
        return ok ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "get") == 0 && Number(argv[2], &a)) {
        uint32_t value = 0;
        if ((AcpiGetValue(a, &value) & 1) == 0) {
            std::printf("fail\n");
            return 1;
        }
        std::printf("0x%08X\n", static_cast<unsigned>(value));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "repeat") == 0 && Number(argv[2], &a) && Number(argv[3], &b)) {
        bool all = true;
        for (uint32_t i = 0; i < a; ++i) {
            all = (AcpiSetValue(b, i, 2) & 1) != 0 && all;
        }
        return all ? 0 : 1;
    }
    return Usage();
}
