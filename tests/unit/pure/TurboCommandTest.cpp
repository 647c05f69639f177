// The -turbo command line, the record the running copy reads, and the tray texts.
#include "surgepad/TurboCommand.h"
#include "surgepad/TrayTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using surgepad::TurboCommand;
using Kind = surgepad::TurboCommandLine::Kind;

TEST(TurboCommandLine, ExactlyOneWordAfterTheSwitch) {
    struct Row {
        std::vector<const char*> args;
        Kind kind;
        TurboCommand command;
    };
    const Row rows[] = {
        {{}, Kind::None, TurboCommand::Status},
        {{"-b"}, Kind::None, TurboCommand::Status},
        {{"-turbo", "on"}, Kind::Command, TurboCommand::On},
        {{"/TURBO", "Off"}, Kind::Command, TurboCommand::Off},
        {{"-Turbo", "TOGGLE"}, Kind::Command, TurboCommand::Toggle},
        {{"-turbo", "status"}, Kind::Command, TurboCommand::Status},
        {{"-turbo"}, Kind::Bad, TurboCommand::Status},
        {{"-turbo", "onn"}, Kind::Bad, TurboCommand::Status},
        {{"-turbo", "on", "off"}, Kind::Bad, TurboCommand::Status},
        {{"-b", "-turbo", "on"}, Kind::Bad, TurboCommand::Status},
        {{"-turbo", ""}, Kind::Bad, TurboCommand::Status},
        {{"--turbo", "on"}, Kind::None, TurboCommand::Status},
        {{"-turbo", "on", "-?"}, Kind::Usage, TurboCommand::Status},
        {{"/?"}, Kind::Usage, TurboCommand::Status},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"Surgepad.exe"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const auto line = surgepad::ParseTurboCommandLine(static_cast<int>(argv.size()), argv.data());
        std::string shown;
        for (const char* a : row.args) {
            shown += std::string(a) + " ";
        }
        EXPECT_EQ(line.kind, row.kind) << shown;
        if (row.kind == Kind::Command) {
            EXPECT_EQ(line.command, row.command) << shown;
        }
    }
}

// A program may send the main window anything: only a whole record with the magic and
// a known command counts.
TEST(TurboCommandRecord, OnlyAWholeWellFormedRecordIsACommand) {
    surgepad::TurboCommandRecord record;
    record.command = static_cast<uint32_t>(TurboCommand::Toggle);
    EXPECT_EQ(surgepad::ReadTurboCommand(&record, sizeof record), TurboCommand::Toggle);
    EXPECT_EQ(surgepad::ReadTurboCommand(&record, sizeof record - 1), std::nullopt) << "short";
    EXPECT_EQ(surgepad::ReadTurboCommand(nullptr, sizeof record), std::nullopt);
    unsigned char longer[sizeof record + 4] = {};
    std::memcpy(longer, &record, sizeof record);
    EXPECT_EQ(surgepad::ReadTurboCommand(longer, sizeof longer), std::nullopt) << "long";
    for (uint32_t command : {0u, 5u, 0xFFFFFFFFu}) {
        surgepad::TurboCommandRecord bad = record;
        bad.command = command;
        EXPECT_EQ(surgepad::ReadTurboCommand(&bad, sizeof bad), std::nullopt) << command;
    }
    surgepad::TurboCommandRecord wrongMagic = record;
    wrongMagic.magic = 0;
    EXPECT_EQ(surgepad::ReadTurboCommand(&wrongMagic, sizeof wrongMagic), std::nullopt);
}

}  // namespace

namespace {

// The tip names the state, and the name goes where the translation puts it.
TEST(TrayTexts, TheTipNamesStateAndProfile) {
    EXPECT_EQ(surgepad::TrayStateOf(true, false), surgepad::TrayState::TurboOn) << "turbo left on, power action";
    EXPECT_EQ(surgepad::TrayStateOf(false, true), surgepad::TrayState::TurboOff);
    EXPECT_EQ(surgepad::TrayStateOf(false, false), surgepad::TrayState::PowerButton);
    EXPECT_EQ(surgepad::FillName("Surgepad: turbo on (%s)", "Game Boost"), "Surgepad: turbo on (Game Boost)");
    EXPECT_EQ(surgepad::FillName("%s %s %d", "a%s"), "a%s %s %d") << "one name, nothing else formatted";
    EXPECT_EQ(surgepad::FillName("no name", "x"), "no name");
}

}  // namespace
