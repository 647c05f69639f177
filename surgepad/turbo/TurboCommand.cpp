#include "surgepad/turbo/TurboCommand.h"

#include <algorithm>
#include <cstring>

#include "lumen/kora/TwOcItemProfile.h"
#include "surgepad/turbo/TurboDuration.h"

namespace surgepad {
namespace {

bool IsSwitch(const char* arg, std::string_view name) {
    return arg != nullptr && (arg[0] == '-' || arg[0] == '/') && kora::EqualsIgnoringAsciiCase(arg + 1, name);
}

bool Is(const char* arg, std::string_view word) {
    return arg != nullptr && kora::EqualsIgnoringAsciiCase(arg, word);
}

}  // namespace

TurboCommandLine ParseTurboCommandLine(int argc, const char* const* argv) {
    TurboCommandLine line;
    // PROGRAM's arguments are its own, whatever they look like.
    if (argc >= 3 && IsSwitch(argv[1], "turbo") && Is(argv[2], "run")) {
        line.kind = TurboCommandLine::Kind::Bad;
        const int program = argc >= 4 && Is(argv[3], "--") ? 4 : 3;
        if (program < argc && argv[program] != nullptr && argv[program][0] != '\0') {
            line.kind = TurboCommandLine::Kind::Command;
            line.command = TurboCommand::Run;
            line.programIndex = program;
        }
        return line;
    }
    for (int i = 1; i < argc; ++i) {
        if (IsSwitch(argv[i], "?")) {
            line.kind = TurboCommandLine::Kind::Usage;
            return line;
        }
    }
    int at = 0;
    for (int i = 1; i < argc; ++i) {
        if (IsSwitch(argv[i], "turbo")) {
            at = i;
            break;
        }
    }
    if (at == 0) {
        return line;
    }
    line.kind = TurboCommandLine::Kind::Bad;
    // Exactly "-turbo WORD" or "-turbo on --for DURATION": anything more or less is a
    // mistake worth telling.
    if (at != 1 || argc < 3 || argv[2] == nullptr) {
        return line;
    }
    if (argc == 5 && Is(argv[2], "on") && Is(argv[3], "--for")) {
        if (const std::optional<int64_t> seconds = ParseTurboDuration(argv[4] != nullptr ? argv[4] : "")) {
            line.kind = TurboCommandLine::Kind::Command;
            line.command = TurboCommand::On;
            line.seconds = *seconds;
        }
        return line;
    }
    if (argc != 3) {
        return line;
    }
    const struct {
        const char* word;
        TurboCommand command;
    } words[] = {{"on", TurboCommand::On},
                 {"off", TurboCommand::Off},
                 {"toggle", TurboCommand::Toggle},
                 {"status", TurboCommand::Status}};
    for (const auto& word : words) {
        if (Is(argv[2], word.word)) {
            line.kind = TurboCommandLine::Kind::Command;
            line.command = word.command;
        }
    }
    return line;
}

std::vector<size_t> ArgumentStarts(std::wstring_view text) {
    std::vector<size_t> starts;
    size_t i = 0;
    const auto blank = [&text](size_t at) { return text[at] == L' ' || text[at] == L'\t'; };
    // The program's name: no escapes, a quote only opens and closes.
    if (i < text.size()) {
        starts.push_back(0);
        bool quoted = false;
        for (; i < text.size() && (quoted || !blank(i)); ++i) {
            if (text[i] == L'"') {
                quoted = !quoted;
            }
        }
    }
    while (i < text.size()) {
        while (i < text.size() && blank(i)) {
            ++i;
        }
        if (i >= text.size()) {
            break;
        }
        starts.push_back(i);
        bool quoted = false;
        while (i < text.size() && (quoted || !blank(i))) {
            size_t backslashes = 0;
            while (i < text.size() && text[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < text.size() && text[i] == L'"') {
                if (backslashes % 2 == 0) {
                    // A doubled quote inside quotes is a quote of the text.
                    if (quoted && i + 1 < text.size() && text[i + 1] == L'"') {
                        ++i;
                    } else {
                        quoted = !quoted;
                    }
                }
                ++i;
            } else if (backslashes == 0 && i < text.size()) {
                ++i;
            }
        }
    }
    return starts;
}

std::string ProgramName(std::string_view program) {
    const size_t slash = program.find_last_of("\\/");
    if (slash != std::string_view::npos) {
        program.remove_prefix(slash + 1);
    }
    return std::string(program.substr(0, kTurboNameBytes - 1));
}

std::optional<TurboCommandRecord> ReadTurboCommand(const void* data, size_t size) {
    if (data == nullptr || size != sizeof(TurboCommandRecord)) {
        return std::nullopt;
    }
    TurboCommandRecord record;
    std::memcpy(&record, data, sizeof record);
    if (record.magic != kTurboRecordMagic || record.command < 1 || record.command > 5) {
        return std::nullopt;
    }
    const auto command = static_cast<TurboCommand>(record.command);
    const auto length =
        static_cast<size_t>(std::find(record.name, record.name + sizeof record.name, '\0') - record.name);
    const bool run = command == TurboCommand::Run;
    if (length == sizeof record.name || (length == 0) == run) {
        return std::nullopt;
    }
    if (record.seconds != 0 && (command != TurboCommand::On || record.seconds > kTurboForMaxSeconds)) {
        return std::nullopt;
    }
    return record;
}

uint32_t EncodeTurboReply(const TurboReply& reply) {
    const uint32_t seconds = reply.secondsLeft < 0xFFFFF ? reply.secondsLeft : 0xFFFFF;
    return (static_cast<uint32_t>(reply.code) & 0xFF) | (static_cast<uint32_t>(reply.why) & 0xF) << 8 | seconds << 12;
}

std::optional<TurboReply> DecodeTurboReply(uint64_t value) {
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    TurboReply reply;
    reply.code = static_cast<int>(value & 0xFF);
    const auto why = static_cast<uint32_t>(value >> 8 & 0xF);
    reply.secondsLeft = static_cast<uint32_t>(value >> 12);
    const bool known =
        reply.code <= kTurboStatusOn || reply.code == kTurboSwitchingOff || reply.code == kTurboSwitchingOn;
    if (!known || reply.code == kTurboNotRunning || reply.code == kTurboBadArguments ||
        why > static_cast<uint32_t>(TurboRefusal::NoAnswer) || (why != 0) != (reply.code == kTurboRefused)) {
        return std::nullopt;
    }
    reply.why = static_cast<TurboRefusal>(why);
    return reply;
}

const char* TurboUsage() {
    return "Usage: Surgepad.exe -turbo on|off|toggle|status, -turbo on --for DURATION (90s, 45m, 2h; "
           "minutes without a unit), -turbo run [--] PROGRAM [ARGUMENTS...]   (exit code 0 done, 1 not running, "
           "2 refused, 3 bad arguments; status: 0 off, 4 on; run: PROGRAM's)";
}

namespace {

const char* RefusalText(TurboRefusal why) {
    switch (why) {
        case TurboRefusal::Busy:
            return "a switch is running";
        case TurboRefusal::Unusable:
            return "the chosen profile cannot be applied";
        case TurboRefusal::OnBattery:
            return "the PC runs on battery (Turbo off on battery)";
        case TurboRefusal::Failed:
            return "the switch failed";
        case TurboRefusal::Ending:
            return "Surgepad is closing";
        case TurboRefusal::NoAnswer:
        case TurboRefusal::None:
            break;
    }
    return "no answer from Surgepad";
}

}  // namespace

std::string TurboOutcomeText(TurboCommand command, const TurboReply& reply) {
    switch (reply.code) {
        case kTurboNotRunning:
            return "Surgepad is not running.";
        case kTurboRefused:
            return std::string("Refused: ") + RefusalText(reply.why) + ".";
        case kTurboBadArguments:
            return TurboUsage();
        case kTurboStatusOn:
            if (reply.secondsLeft != 0) {
                return "Turbo is on, for " + CountdownText(reply.secondsLeft * 1000LL, "h", "min") + " more.";
            }
            return "Turbo is on.";
        default:
            break;
    }
    switch (command) {
        case TurboCommand::Status:
        case TurboCommand::Off:
            return "Turbo is off.";
        case TurboCommand::On:
        case TurboCommand::Run:
            return "Turbo is on.";
        case TurboCommand::Toggle:
            return "Turbo switched.";
    }
    return {};
}

std::string TurboRunWithoutText(const TurboReply& reply, const std::string& program) {
    const std::string why = reply.code == kTurboNotRunning ? "Surgepad is not running" : RefusalText(reply.why);
    return "Surgepad: no turbo (" + why + "); " + program + " runs without it.";
}

}  // namespace surgepad
