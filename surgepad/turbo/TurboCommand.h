#pragma once
// `Surgepad.exe -turbo on|off|toggle|status`, `-turbo on --for DURATION` and
// `-turbo run [--] PROGRAM [ARGUMENTS...]`: turbo switched on the running copy from a
// script, a shortcut, a scheduled task or a game's launch options. The command line, the
// record the command sends to the running copy's main window (WM_COPYDATA), the replies,
// the exit codes and the texts. No window here: the Win32 side is TurboSwitch.cpp
// (sender) and TurboAutomation (receiver).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "surgepad/button/SwitchTimes.h"

namespace surgepad {

enum class TurboCommand : uint32_t { On = 1, Off = 2, Toggle = 3, Status = 4, Run = 5 };

// What the command line asks for.
struct TurboCommandLine {
    enum class Kind { None, Usage, Bad, Command };
    Kind kind = Kind::None;  // None: no "-turbo" and no "-?" (the program starts)
    TurboCommand command = TurboCommand::Status;
    int64_t seconds = 0;   // On: a timed turbo's length (0: none)
    int programIndex = 0;  // Run: the argument that names PROGRAM
};
// "-turbo" (any case, "-" or "/") as the first argument, followed by exactly one of on,
// off, toggle, status (any case); "on --for DURATION"; or "run", an optional "--", and
// PROGRAM with its arguments, which are PROGRAM's own (a "-?" among them too). "-?" or
// "/?" elsewhere asks for the usage line.
TurboCommandLine ParseTurboCommandLine(int argc, const char* const* argv);

// Where each argument of a Windows command line begins, split as the system's own rules
// split it (the program's name up to its closing quote or first blank; then blanks
// between arguments outside quotes, and backslashes before a quote). PROGRAM's command
// line is the rest of the text from its argument on, exactly as the user wrote it.
std::vector<size_t> ArgumentStarts(std::wstring_view commandLine);
// PROGRAM's name for the tray tip and the trace: the last part of its path.
std::string ProgramName(std::string_view program);

// The record in the WM_COPYDATA message (dwData kTurboCopyDataId); the message's wParam
// is the sender's reply window (class kTurboReplyClass), for the outcome of a switch.
inline constexpr uintptr_t kTurboCopyDataId = 0x53505442;  // "SPTB"
inline constexpr uint32_t kTurboRecordMagic = 0x54425253;  // "SRBT"
inline constexpr char kTurboReplyClass[] = "SurgepadTurboReply";
inline constexpr size_t kTurboNameBytes = 64;
struct TurboCommandRecord {
    uint32_t magic = kTurboRecordMagic;
    uint32_t command = 0;
    // Chosen by the command: every reply posted to it carries this value, so that no
    // other program can forge an outcome.
    uint32_t cookie = 0;
    uint32_t seconds = 0;             // On: a timed turbo's length; 0 otherwise
    char name[kTurboNameBytes] = {};  // Run: PROGRAM's name, zero-terminated; empty otherwise
};
static_assert(sizeof(TurboCommandRecord) == 80);
// The record received, or nullopt for anything but a whole, well-formed record (a
// program may send anything).
std::optional<TurboCommandRecord> ReadTurboCommand(const void* data, size_t size);

// The exit codes, which are also the codes of the replies.
inline constexpr int kTurboDone = 0;        // done, or already so; status: off
inline constexpr int kTurboNotRunning = 1;  // no running copy
inline constexpr int kTurboRefused = 2;     // unusable profile, failed switch, switch running, battery
inline constexpr int kTurboBadArguments = 3;
inline constexpr int kTurboStatusOn = 4;
// The running copy's answer when a switch started (or follows the one that runs), off
// or on: the outcome follows in a message to the reply window (wParam: the encoded
// reply, lParam: the command's cookie).
inline constexpr int kTurboSwitchingOff = 100;
inline constexpr int kTurboSwitchingOn = 101;
inline constexpr uint32_t kTurboReplyMessage = 0x8000 + 0x53;  // WM_APP + 0x53
// As long as the longest switch may run, and the running copy's answer.
inline constexpr uint32_t kTurboSwitchWaitMs = kSwitchWaitMs + 2000;

enum class TurboRefusal : uint8_t { None, Busy, Unusable, OnBattery, Failed, Ending, NoAnswer };
// A reply: its code, why a refusal was made, and for a status how long a timed turbo
// has left. Encoded in 32 bits (code 8, refusal 4, seconds 20) for the answer of
// WM_COPYDATA and for the posted outcome.
struct TurboReply {
    int code = kTurboDone;
    TurboRefusal why = TurboRefusal::None;
    uint32_t secondsLeft = 0;
};
uint32_t EncodeTurboReply(const TurboReply& reply);
// nullopt for a value no running copy answers (a window that does not speak the command).
std::optional<TurboReply> DecodeTurboReply(uint64_t value);

// The usage line ("-?" and bad arguments).
const char* TurboUsage();
// The line the command prints for its outcome.
std::string TurboOutcomeText(TurboCommand command, const TurboReply& reply);
// -turbo run: the line for the standard error output when PROGRAM starts without turbo.
std::string TurboRunWithoutText(const TurboReply& reply, const std::string& program);

}  // namespace surgepad
