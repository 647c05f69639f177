// The -turbo command line, the record the running copy reads, and the tray texts.
#include "surgepad/turbo/TurboCommand.h"
#include "surgepad/turbo/TurboDuration.h"
#include "surgepad/app/TrayTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

using surgepad::TurboCommand;
using Kind = surgepad::TurboCommandLine::Kind;

TEST(TurboCommandLine, ExactlyOneWordAfterTheSwitch) {
    struct Row {
        std::vector<const char*> args;
        Kind kind;
        TurboCommand command;
        int64_t seconds;
        int programIndex;
    };
    const Row rows[] = {
        {{}, Kind::None, TurboCommand::Status, 0, 0},
        {{"-b"}, Kind::None, TurboCommand::Status, 0, 0},
        {{"-turbo", "on"}, Kind::Command, TurboCommand::On, 0, 0},
        {{"/TURBO", "Off"}, Kind::Command, TurboCommand::Off, 0, 0},
        {{"-Turbo", "TOGGLE"}, Kind::Command, TurboCommand::Toggle, 0, 0},
        {{"-turbo", "status"}, Kind::Command, TurboCommand::Status, 0, 0},
        {{"-turbo"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "onn"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "on", "off"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-b", "-turbo", "on"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", ""}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"--turbo", "on"}, Kind::None, TurboCommand::Status, 0, 0},
        {{"-turbo", "on", "-?"}, Kind::Usage, TurboCommand::Status, 0, 0},
        {{"/?"}, Kind::Usage, TurboCommand::Status, 0, 0},
        // A timed turbo: only with "on", and only a length that is one.
        {{"-turbo", "on", "--for", "90s"}, Kind::Command, TurboCommand::On, 90, 0},
        {{"-turbo", "ON", "--FOR", "2h"}, Kind::Command, TurboCommand::On, 7200, 0},
        {{"-turbo", "on", "--for", "45"}, Kind::Command, TurboCommand::On, 2700, 0},
        {{"-turbo", "on", "--for"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "on", "--for", "0m"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "toggle", "--for", "5m"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "on", "--for", "5m", "x"}, Kind::Bad, TurboCommand::Status, 0, 0},
        // PROGRAM and its arguments belong to it, switches that look like ours included.
        {{"-turbo", "run", "game.exe"}, Kind::Command, TurboCommand::Run, 0, 3},
        {{"-turbo", "Run", "--", "game.exe", "-?", "-turbo"}, Kind::Command, TurboCommand::Run, 0, 4},
        {{"-turbo", "run", "game.exe", "--", "x"}, Kind::Command, TurboCommand::Run, 0, 3},
        {{"-turbo", "run"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "run", "--"}, Kind::Bad, TurboCommand::Status, 0, 0},
        {{"-turbo", "run", ""}, Kind::Bad, TurboCommand::Status, 0, 0},
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
            EXPECT_EQ(line.seconds, row.seconds) << shown;
            EXPECT_EQ(line.programIndex, row.programIndex) << shown;
        }
    }
}

TEST(TurboDuration, SecondsMinutesHoursOrPlainMinutesUpToADay) {
    const struct {
        const char* text;
        std::optional<int64_t> seconds;
    } rows[] = {
        {"90s", 90},
        {"45m", 2700},
        {"2h", 7200},
        {"2H", 7200},
        {"15", 900},
        {"1440", 86400},
        {"24h", 86400},
        {"86400s", 86400},
        {"1441", {}},
        {"25h", {}},
        {"0", {}},
        {"0s", {}},
        {"", {}},
        {"m", {}},
        {"-5m", {}},
        {"1.5h", {}},
        {"5 m", {}},
        {"5ms", {}},
        {"99999999999h", {}},
        {"0000005m", 300},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(surgepad::ParseTurboDuration(row.text), row.seconds) << row.text;
    }
}

// The tip's countdown rounds up to the minute, and changes exactly when its text would.
TEST(TurboDuration, TheCountdownNeverSaysZeroAndChangesOnTheMinute) {
    const struct {
        int64_t msLeft;
        const char* text;
        int64_t nextChangeMs;
    } rows[] = {
        {2 * 3600 * 1000, "2 h", 60000},
        {2 * 3600 * 1000 - 1, "2 h", 59999},
        {3900 * 1000, "1 h 5 min", 60000},
        {3900 * 1000 + 1, "1 h 6 min", 1},
        {45 * 60 * 1000, "45 min", 60000},
        {61 * 1000, "2 min", 1000},
        {59 * 1000, "1 min", 59000},
        {1, "1 min", 1},
        {0, "1 min", 60000},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(surgepad::CountdownText(row.msLeft, "h", "min"), row.text) << row.msLeft;
        EXPECT_EQ(surgepad::NextCountdownChangeMs(row.msLeft), row.nextChangeMs) << row.msLeft;
    }
    EXPECT_EQ(surgepad::CountdownText(3900 * 1000, "時間", "分"), "1 時間 5 分");
}

// PROGRAM's command line is taken from the user's text as it stands: each row's third
// argument begins where the system's splitting rules say.
TEST(TurboCommandLine, ArgumentsBeginWhereTheSystemSplitsThem) {
    const struct {
        const wchar_t* line;
        std::vector<size_t> starts;
    } rows[] = {
        {L"Surgepad.exe -turbo run game.exe", {0, 13, 20, 24}},
        {L"\"C:\\Program Files\\Surgepad.exe\"  -turbo\trun \"C:\\My Game\\g.exe\" -x", {0, 33, 40, 44, 63}},
        {L"a \"b c\"d e", {0, 2, 9}},
        {L"a \\\"b c", {0, 2, 6}},         // an escaped quote opens nothing
        {L"a \\\\\"b c\" d", {0, 2, 10}},  // an even run of backslashes leaves the quote its own
        {L"a \"b \"\"c\" d", {0, 2, 10}},  // a doubled quote inside quotes is text
        {L"\"a b\\\" c", {0, 7}},          // the program's name knows no escapes
        {L"a   ", {0}},
        {L"", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(surgepad::ArgumentStarts(row.line), row.starts) << std::string(row.line, row.line + wcslen(row.line));
    }
    EXPECT_EQ(surgepad::ProgramName("C:\\Games\\My Game\\game.exe"), "game.exe");
    EXPECT_EQ(surgepad::ProgramName("bin/tool"), "tool");
    EXPECT_EQ(surgepad::ProgramName(std::string(100, 'x')).size(), 63u);
}

// A program may send the main window anything: only a whole record with the magic, a
// known command and what that command carries counts.
TEST(TurboCommandRecord, OnlyAWholeWellFormedRecordIsACommand) {
    surgepad::TurboCommandRecord record;
    record.command = static_cast<uint32_t>(TurboCommand::Toggle);
    record.cookie = 0x1234;
    const auto read = surgepad::ReadTurboCommand(&record, sizeof record);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->command, record.command);
    EXPECT_EQ(read->cookie, 0x1234u);
    EXPECT_EQ(surgepad::ReadTurboCommand(&record, sizeof record - 1), std::nullopt) << "short";
    EXPECT_EQ(surgepad::ReadTurboCommand(nullptr, sizeof record), std::nullopt);
    unsigned char longer[sizeof record + 4] = {};
    std::memcpy(longer, &record, sizeof record);
    EXPECT_EQ(surgepad::ReadTurboCommand(longer, sizeof longer), std::nullopt) << "long";

    const auto with = [](uint32_t command, uint32_t seconds, const std::string& name, uint32_t magic) {
        surgepad::TurboCommandRecord r;
        r.magic = magic;
        r.command = command;
        r.seconds = seconds;
        std::memcpy(r.name, name.data(), std::min(name.size(), sizeof r.name));
        return r;
    };
    const struct {
        const char* what;
        surgepad::TurboCommandRecord record;
        bool valid;
    } rows[] = {
        {"on for 90 s", with(1, 90, "", surgepad::kTurboRecordMagic), true},
        {"on for a day and a second", with(1, 86401, "", surgepad::kTurboRecordMagic), false},
        {"off for a time", with(2, 90, "", surgepad::kTurboRecordMagic), false},
        {"run with a name", with(5, 0, "game.exe", surgepad::kTurboRecordMagic), true},
        {"run without a name", with(5, 0, "", surgepad::kTurboRecordMagic), false},
        {"run with an unterminated name", with(5, 0, std::string(64, 'x'), surgepad::kTurboRecordMagic), false},
        {"status with a name", with(4, 0, "x", surgepad::kTurboRecordMagic), false},
        {"command 0", with(0, 0, "", surgepad::kTurboRecordMagic), false},
        {"command 6", with(6, 0, "", surgepad::kTurboRecordMagic), false},
        {"command ~0", with(0xFFFFFFFF, 0, "", surgepad::kTurboRecordMagic), false},
        {"another magic", with(1, 0, "", 0), false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(surgepad::ReadTurboCommand(&row.record, sizeof row.record).has_value(), row.valid) << row.what;
    }
}

// Replies go through a message's 32 bits and come back whole; a value no running copy
// sends is not taken for one.
TEST(TurboCommandRecord, RepliesComeBackWholeAndOnlyThoseARunningCopySends) {
    using surgepad::TurboRefusal;
    using surgepad::TurboReply;
    const TurboReply replies[] = {
        {0, TurboRefusal::None, 0},      {4, TurboRefusal::None, 0},     {4, TurboRefusal::None, 86400},
        {2, TurboRefusal::OnBattery, 0}, {2, TurboRefusal::NoAnswer, 0}, {100, TurboRefusal::None, 0},
        {101, TurboRefusal::None, 0},
    };
    for (const TurboReply& reply : replies) {
        const auto back = surgepad::DecodeTurboReply(surgepad::EncodeTurboReply(reply));
        ASSERT_TRUE(back) << reply.code;
        EXPECT_EQ(back->code, reply.code);
        EXPECT_EQ(back->why, reply.why);
        EXPECT_EQ(back->secondsLeft, reply.secondsLeft);
    }
    for (const uint64_t forged : {1ull, 3ull, 5ull, 99ull, 102ull, 2ull /* refused, no reason */,
                                  0x100ull /* done with a reason */, 0xF02ull, 0x100000000ull}) {
        EXPECT_EQ(surgepad::DecodeTurboReply(forged), std::nullopt) << forged;
    }
    EXPECT_EQ(surgepad::TurboOutcomeText(TurboCommand::Status, {4, TurboRefusal::None, 1500}),
              "Turbo is on, for 25 min more.");
    EXPECT_EQ(surgepad::TurboRunWithoutText({2, TurboRefusal::OnBattery, 0}, "game.exe"),
              "Surgepad: no turbo (the PC runs on battery (Turbo off on battery)); game.exe runs without it.");
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
