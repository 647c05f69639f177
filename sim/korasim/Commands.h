#pragma once
// Subcommands of kora-sim.exe, the stand-in for the board maker's other programs and
// for the system. Each takes the arguments after its own name (argv[0] is the
// subcommand) and returns the process exit code: 0 success, 1 failure, 2 bad usage.

#include <cstdint>
#include <optional>
#include <string>

namespace korasim {

int RunPress(int argc, char** argv);
int RunBroadcast(int argc, char** argv);
int RunCommand(int argc, char** argv);
int RunPower(int argc, char** argv);
int RunWindow(int argc, char** argv);
int RunListen(int argc, char** argv);
int RunTray(int argc, char** argv);
int RunPowerSource(int argc, char** argv);
int RunPowerMode(int argc, char** argv);
int RunGame(int argc, char** argv);

// A number in decimal or 0x hexadecimal, 32 bits; nullopt for anything else.
std::optional<uint32_t> ParseNumber(const std::string& text);
// Prints "kora-sim: MESSAGE" to the error output and returns `code`.
int Fail(int code, const std::string& message);
// Appends one line to the journal named by KORA_SIM_JOURNAL (nothing when unset).
void Journal(const std::string& line);
// "0x%08X".
std::string Hex(uint64_t value);

}  // namespace korasim

// Provided with the power-feature stand-ins.
int RunService(int argc, char** argv);
int RunButton(int argc, char** argv);
int RunScheme(int argc, char** argv);
