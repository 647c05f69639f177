#pragma once
// `Surgepad.exe -turbo on|off|toggle|status`: turbo switched on the running copy from a
// script, a shortcut or a scheduled task. The command line, the record the command
// sends to the running copy's main window (WM_COPYDATA), the answers, the exit codes
// and the texts. No window here: the Win32 side is TurboCommandLine.cpp (sender) and
// the main window (receiver).

#include <cstdint>
#include <optional>
#include <string>

#include "surgepad/SwitchTimes.h"

namespace surgepad {

enum class TurboCommand : uint32_t { On = 1, Off = 2, Toggle = 3, Status = 4 };

// What the command line asks for.
struct TurboCommandLine {
    enum class Kind { None, Usage, Bad, Command };
    Kind kind = Kind::None;  // None: no "-turbo" and no "-?" (the program starts)
    TurboCommand command = TurboCommand::Status;
};
// "-turbo" (any case, "-" or "/") followed by exactly one of on, off, toggle, status
// (any case), and nothing else; "-?" or "/?" asks for the usage line.
TurboCommandLine ParseTurboCommandLine(int argc, const char* const* argv);

// The record in the WM_COPYDATA message (dwData kTurboCopyDataId); the message's wParam
// is the sender's reply window (class kTurboReplyClass), for the outcome of a switch.
inline constexpr uintptr_t kTurboCopyDataId = 0x53505442;  // "SPTB"
inline constexpr uint32_t kTurboRecordMagic = 0x54425253;  // "SRBT"
inline constexpr char kTurboReplyClass[] = "SurgepadTurboReply";
struct TurboCommandRecord {
    uint32_t magic = kTurboRecordMagic;
    uint32_t command = 0;
};
static_assert(sizeof(TurboCommandRecord) == 8);
// The command of a received record, or nullopt for anything but a whole, well-formed
// record (a program may send anything).
std::optional<TurboCommand> ReadTurboCommand(const void* data, size_t size);

// The exit codes, which are also what the main window answers.
inline constexpr int kTurboDone = 0;        // done, or already so; status: off
inline constexpr int kTurboNotRunning = 1;  // no running copy
inline constexpr int kTurboRefused = 2;     // unusable profile, failed switch, switch running
inline constexpr int kTurboBadArguments = 3;
inline constexpr int kTurboStatusOn = 4;
// The main window's answer when a switch started: the outcome follows in a message to
// the reply window (wParam: kTurboDone or kTurboRefused).
inline constexpr int kTurboSwitching = 100;
inline constexpr uint32_t kTurboReplyMessage = 0x8000 + 0x53;  // WM_APP + 0x53
// As long as the longest switch may run, and the running copy's answer.
inline constexpr uint32_t kTurboSwitchWaitMs = kSwitchWaitMs + 2000;

// The usage line ("-?" and bad arguments).
const char* TurboUsage();
// The line the command prints for its exit code.
std::string TurboOutcomeText(TurboCommand command, int exitCode);

}  // namespace surgepad
