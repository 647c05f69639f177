// kora-sim.exe: stands in for the board maker's other programs and for the system,
// so that tests and the demo can drive Surgepad exactly as they would.
#include <cstdio>
#include <cstring>

#include "sim/korasim/Commands.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int, char**);
    const char* usage;
};

const Subcommand kSubcommands[] = {
    {"press", korasim::RunPress, "press"},
    {"broadcast", korasim::RunBroadcast, "broadcast WPARAM LPARAM"},
    {"command", korasim::RunCommand, "command MSG [WPARAM]"},
    {"power", korasim::RunPower, "power WPARAM"},
    {"window", korasim::RunWindow, "window CAPTION"},
    {"listen", korasim::RunListen, "listen"},
    {"button", RunButton, "button ACTION EVENT"},
    {"service", RunService, "service [--reply N] [--delay MS] [--bytes N]"},
    {"tray", korasim::RunTray, "tray click|rclick"},
    {"scheme", RunScheme, "scheme active GUID | set GUID INDEX | add GUID INDEX | delete GUID"},
    {"power-source", korasim::RunPowerSource, "power-source ac|battery"},
    {"power-mode", korasim::RunPowerMode, "power-mode N"},
    {"game", korasim::RunGame, "game [--caption TEXT] [--seconds N] [--exit CODE] [--hand-over]"},
};

void Usage() {
    std::fprintf(stderr, "usage: kora-sim SUBCOMMAND [ARG...]\n");
    for (const Subcommand& s : kSubcommands) {
        std::fprintf(stderr, "  kora-sim %s\n", s.usage);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    for (const Subcommand& s : kSubcommands) {
        if (std::strcmp(argv[1], s.name) == 0) {
            const int code = s.run(argc - 1, argv + 1);
            std::fflush(stdout);
            return code;
        }
    }
    std::fprintf(stderr, "kora-sim: unknown subcommand \"%s\"\n", argv[1]);
    Usage();
    return 2;
}
