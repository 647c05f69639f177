#include "surgepad/TurboCommand.h"

#include <cstring>
#include <string_view>

#include "lumen/kora/TwOcItemProfile.h"

namespace surgepad {
namespace {

bool IsSwitch(const char* arg, std::string_view name) {
    return arg != nullptr && (arg[0] == '-' || arg[0] == '/') && kora::EqualsIgnoringAsciiCase(arg + 1, name);
}

}  // namespace

TurboCommandLine ParseTurboCommandLine(int argc, const char* const* argv) {
    TurboCommandLine line;
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
    // Exactly "-turbo WORD": anything more or less is a mistake worth telling.
    if (argc != 3 || at != 1 || argv[2] == nullptr) {
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
        if (kora::EqualsIgnoringAsciiCase(argv[2], word.word)) {
            line.kind = TurboCommandLine::Kind::Command;
            line.command = word.command;
        }
    }
    return line;
}

std::optional<TurboCommand> ReadTurboCommand(const void* data, size_t size) {
    if (data == nullptr || size != sizeof(TurboCommandRecord)) {
        return std::nullopt;
    }
    TurboCommandRecord record;
    std::memcpy(&record, data, sizeof record);
    if (record.magic != kTurboRecordMagic || record.command < 1 || record.command > 4) {
        return std::nullopt;
    }
    return static_cast<TurboCommand>(record.command);
}

const char* TurboUsage() {
    return "Usage: Surgepad.exe -turbo on|off|toggle|status   (exit code 0 done, 1 not running, "
           "2 refused, 3 bad arguments; status: 0 off, 4 on)";
}

std::string TurboOutcomeText(TurboCommand command, int exitCode) {
    switch (exitCode) {
        case kTurboNotRunning:
            return "Surgepad is not running.";
        case kTurboRefused:
            return "Refused: the profile cannot be applied, the switch failed, or a switch is running.";
        case kTurboBadArguments:
            return TurboUsage();
        case kTurboStatusOn:
            return "Turbo is on.";
        default:
            break;
    }
    switch (command) {
        case TurboCommand::Status:
            return "Turbo is off.";
        case TurboCommand::On:
            return "Turbo is on.";
        case TurboCommand::Off:
            return "Turbo is off.";
        case TurboCommand::Toggle:
            return "Turbo switched.";
    }
    return {};
}

}  // namespace surgepad
