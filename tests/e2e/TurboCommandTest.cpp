// Turbo without the button: Surgepad.exe -turbo on|off|toggle|status, -turbo on --for
// and -turbo run against the running copy, with their exit codes, and what keeps their
// replies true: only the running copy's outcome counts, a lost one is asked for, and a
// closing copy refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "surgepad/turbo/TurboCommand.h"

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::Surgepad;

using e2e::CommandRun;
// Long enough for a command that waits out the longest switch before it asks for the
// status.
CommandRun RunCommand(const std::string& arguments) {
    return e2e::RunToEnd(arguments, surgepad::kTurboSwitchWaitMs + 15000);
}

// Firmware writes of the journal since line `from`.
int FirmwareWrites(size_t from) {
    return Count(JournalFrom(from), "acpi set");
}

class TurboCommand : public testing::Test {
protected:
    void SetUp() override { e2e::UseBoard("full.txt"); }
    void Start() {
        program = std::make_unique<Surgepad>();
        ASSERT_TRUE(program->WaitForTrace("startup: running", 30000)) << program->TraceText();
        ASSERT_TRUE(program->Sync());
    }
    std::unique_ptr<Surgepad> program;
};

// Without a running copy nothing starts and no firmware is touched; bad arguments get the
// usage line.
TEST_F(TurboCommand, WithoutARunningCopyOrWithBadArgumentsNothingStarts) {
    const struct {
        const char* arguments;
        DWORD code;
        const char* says;
    } rows[] = {
        {"-turbo on", 1, "Surgepad is not running."},
        {"-turbo off", 1, "Surgepad is not running."},
        {"-turbo toggle", 1, "Surgepad is not running."},
        {"-turbo status", 1, "Surgepad is not running."},
        {"-turbo", 3, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
        {"-turbo sometimes", 3, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
        {"-?", 0, "Usage: Surgepad.exe -turbo on|off|toggle|status"},
    };
    const size_t before = e2e::JournalLines().size();
    for (const auto& row : rows) {
        const CommandRun run = RunCommand(row.arguments);
        EXPECT_EQ(run.code, std::optional<DWORD>(row.code)) << row.arguments << "\n" << run.trace;
        EXPECT_NE(run.trace.find(std::string("turbo command: ") + row.says), std::string::npos) << row.arguments << "\n"
                                                                                                << run.trace;
        EXPECT_EQ(run.trace.find("startup:"), std::string::npos) << row.arguments << ": the program started\n"
                                                                 << run.trace;
    }
    EXPECT_EQ(e2e::JournalLines().size(), before) << "the board was touched\n" << Joined(JournalFrom(before));
    EXPECT_FALSE(e2e::VisibleWindow("TOsdForm"));
}

// On the running copy, with the power action chosen: each command runs the switch a press
// would, display and badge included, and answers with its outcome; a command during a
// switch is refused.
TEST_F(TurboCommand, EachCommandRunsTheSwitchOfAPressWhicheverActionIsChosen) {
    Start();
    ASSERT_FALSE(e2e::UserDword(e2e::kSettingsKey, "ButtonAction").has_value()) << "the power action";
    // An elevated command gets its outcome, a program without the rights sends the
    // record: each window lets its own message through, and no other.
    EXPECT_EQ(program->CountTrace("command: WM_COPYDATA let through to the main window"), 1) << program->TraceText();
    const CommandRun status = RunCommand("-turbo status");
    EXPECT_EQ(status.code, std::optional<DWORD>(0)) << "off";
    EXPECT_NE(status.trace.find("turbo command: replies let through to the reply window\n"), std::string::npos)
        << status.trace;
    size_t from = e2e::JournalLines().size();
    EXPECT_EQ(RunCommand("-turbo off").code, std::optional<DWORD>(0)) << "already off";
    EXPECT_EQ(FirmwareWrites(from), 0);

    // On: the display, the firmware, the badge; the command ends after the switch.
    from = e2e::JournalLines().size();
    Surgepad on("-turbo on");
    EXPECT_NE(e2e::WaitVisible("TOsdForm", 5000), nullptr) << "the display plays";
    // A second command while the switch runs is refused at once.
    const CommandRun during = RunCommand("-turbo toggle");
    EXPECT_EQ(during.code, std::optional<DWORD>(2)) << during.trace;
    EXPECT_EQ(on.WaitForExit(25000), std::optional<DWORD>(0)) << on.TraceText();
    EXPECT_EQ(program->CountTrace("controller: switched on"), 1) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0) << Joined(JournalFrom(from));
    EXPECT_TRUE(e2e::VisibleWindow("TStatusForm")) << "the badge";
    EXPECT_TRUE(program->WaitForTrace("tray: tip Surgepad: turbo on (")) << program->TraceText();
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(4)) << "on";
    from = e2e::JournalLines().size();
    EXPECT_EQ(RunCommand("-turbo on").code, std::optional<DWORD>(0)) << "already on";
    EXPECT_EQ(FirmwareWrites(from), 0);

    // Toggle: off again, the start-up values back.
    EXPECT_EQ(RunCommand("-turbo toggle").code, std::optional<DWORD>(0));
    EXPECT_EQ(program->CountTrace("controller: switched off"), 1) << program->TraceText();
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(0));
    EXPECT_TRUE(program->WaitForTrace("tray: tip Surgepad: power button")) << program->TraceText();
    EXPECT_FALSE(e2e::UserDword(e2e::kSettingsKey, "ButtonAction").has_value()) << "the action stays";
}

// The longest switch: a profile file (two requests to the service) and a service that
// never answers (each request waited for to its end). The command waits it out and
// reports it done, rather than giving up beside a switch that still runs.
TEST_F(TurboCommand, TheCommandWaitsOutTheLongestSwitch) {
    ASSERT_TRUE(e2e::ChooseTurbo(2, false, false));
    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ProfileName", "Bench"));
    // Header "OC", version 1, one record: core voltage 85 (1.225 V).
    const std::vector<uint8_t> bytes = {0x43, 0x4F, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0x12, 0, 0x02, 0x03, 85, 0, 0, 0};
    const std::string file = e2e::ProfileFolder() + "Bench.oc";
    ASSERT_TRUE(e2e::WriteFileBytes(file, bytes));
    e2e::SimProcess service("service --delay 600000");
    Sleep(500);
    Start();
    const ULONGLONG asked = GetTickCount64();
    Surgepad on("-turbo on");
    EXPECT_EQ(on.WaitForExit(45000), std::optional<DWORD>(0)) << on.TraceText() << program->TraceText();
    EXPECT_GT(GetTickCount64() - asked, 15000u) << "both requests were waited for";
    EXPECT_EQ(program->CountTrace("controller: switched on"), 1) << program->TraceText();
    DeleteFileA(file.c_str());
}

// A profile that cannot be applied: "on" shows the warning, as a press does, and is
// refused.
TEST_F(TurboCommand, AnUnusableProfileIsRefusedWithTheWarning) {
    e2e::UseBoard("switch-unusable.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(1, false, false));
    Start();
    const CommandRun run = RunCommand("-turbo on");
    EXPECT_EQ(run.code, std::optional<DWORD>(2)) << run.trace;
    EXPECT_TRUE(program->WaitForTrace("controller: the chosen profile cannot be applied: warning"))
        << program->TraceText();
    EXPECT_TRUE(e2e::VisibleWindow("TOsdForm")) << "the warning page";
    EXPECT_EQ(program->CountTrace("controller: switched on"), 0);
}

// A timed turbo from the command line: on at once, the time left in the status and the
// tip, off at its end as a press switches off (display included), its end kept meanwhile.
TEST_F(TurboCommand, ATimedTurboOfAFewSecondsSwitchesOffAtItsEnd) {
    Start();
    const size_t from = e2e::JournalLines().size();
    const CommandRun on = RunCommand("-turbo on --for 12s");
    ASSERT_EQ(on.code, std::optional<DWORD>(0)) << on.trace;
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(from), 0) << Joined(JournalFrom(from));
    const std::optional<uint64_t> until = e2e::UserQword(e2e::kSettingsKey, "TurboUntil");
    ASSERT_TRUE(until.has_value()) << "the end is kept in the settings key";
    const CommandRun status = RunCommand("-turbo status");
    EXPECT_EQ(status.code, std::optional<DWORD>(4)) << status.trace;
    EXPECT_NE(status.trace.find("turbo command: Turbo is on, for 1 min more."), std::string::npos) << status.trace;
    const auto tip = program->WaitForTrace("tray: tip Surgepad: turbo on (");
    ASSERT_TRUE(tip) << program->TraceText();
    EXPECT_NE(tip->text.find(") for 1 min more"), std::string::npos) << tip->text;

    const size_t beforeEnd = e2e::JournalLines().size();
    ASSERT_LT(e2e::WallMs(), static_cast<int64_t>(*until) - 500) << "the machine is too slow for this row";
    const std::optional<double> latency = e2e::DisplayShownAfter(static_cast<int64_t>(*until), 20000);
    ASSERT_TRUE(latency.has_value()) << "no display at the end\n" << program->TraceText();
    e2e::Figure("timed_end_to_display_ms", *latency, "ms from the kept end to the display");
    EXPECT_LT(*latency, 5000) << "the end's switch is not a poll's";
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_GT(FirmwareWrites(beforeEnd), 0) << "the start-up values written back";
    EXPECT_TRUE(program->WaitForTrace("turbo rules: switching off (the rules that held it have ended)"));
    EXPECT_FALSE(e2e::UserQword(e2e::kSettingsKey, "TurboUntil").has_value()) << "the end is dropped with it";
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(0));
}

// -turbo run: turbo while PROGRAM runs, off when it has ended, and PROGRAM's exit code;
// without a running copy PROGRAM starts all the same and says why it has no turbo.
TEST_F(TurboCommand, RunKeepsTurboOnWhileItsProgramRunsAndEndsWithItsExitCode) {
    const size_t untouched = e2e::JournalLines().size();
    const CommandRun alone = RunCommand("-turbo run cmd.exe /c exit 7");
    EXPECT_EQ(alone.code, std::optional<DWORD>(7)) << alone.trace;
    EXPECT_NE(alone.trace.find("turbo command: Surgepad: no turbo (Surgepad is not running); cmd.exe runs without it."),
              std::string::npos)
        << alone.trace;
    EXPECT_EQ(e2e::JournalLines().size(), untouched) << Joined(JournalFrom(untouched));

    Start();
    const size_t from = e2e::JournalLines().size();
    const int64_t asked = e2e::WallMs();
    Surgepad run("-turbo run -- cmd.exe /c exit 7");
    const std::optional<double> latency = e2e::DisplayShownAfter(asked, 15000);
    EXPECT_EQ(run.WaitForExit(25000), std::optional<DWORD>(7)) << run.TraceText();
    ASSERT_TRUE(latency.has_value()) << program->TraceText();
    e2e::Figure("run_to_display_ms", *latency, "ms from the command's start to the display");
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 20000)) << program->TraceText();
    const auto on = program->WaitForTrace("turbo rules: switching on (-turbo run cmd.exe)");
    const auto ended = program->WaitForTrace("turbo rules: the run of process");
    const auto off = program->WaitForTrace("turbo rules: switching off (the rules that held it have ended)");
    ASSERT_TRUE(on && ended && off) << program->TraceText();
    EXPECT_LT(on->ms, off->ms);
    const std::vector<std::string> journal = JournalFrom(from);
    EXPECT_GT(Count(journal, "acpi set"), 0) << Joined(journal);
    EXPECT_EQ(RunCommand("-turbo status").code, std::optional<DWORD>(0)) << "off again";
}

// A stand-in for the running copy in this process: a window of its class and caption
// that answers each record as `answer` says and posts what `post` says.
class FakeRunningCopy {
public:
    struct Record {
        uint32_t command = 0;
        uint32_t cookie = 0;
        HWND reply = nullptr;
    };
    // Returns the answer to a record; may post replies meanwhile.
    using Answer = LRESULT (*)(const Record&);

    explicit FakeRunningCopy(Answer answer) : m_answer(answer) {
        m_thread = std::thread([this] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &FakeRunningCopy::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TMainForm";
            RegisterClassA(&wc);
            m_window = CreateWindowExA(0, "TMainForm", "Surgepad", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       wc.hInstance, nullptr);
            SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_threadId = GetCurrentThreadId();
            m_ready = true;
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                DispatchMessageA(&msg);
            }
            DestroyWindow(m_window);
        });
        while (!m_ready) {
            Sleep(10);
        }
    }
    ~FakeRunningCopy() {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    std::vector<uint32_t> commands;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FakeRunningCopy*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            surgepad::TurboCommandRecord record;
            if (data.cbData == sizeof record) {
                memcpy(&record, data.lpData, sizeof record);
            }
            self->commands.push_back(record.command);
            return self->m_answer(Record{record.command, record.cookie, reinterpret_cast<HWND>(wParam)});
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    Answer m_answer;
    std::thread m_thread;
    std::atomic<bool> m_ready{false};
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
};

LRESULT Encoded(int code, surgepad::TurboRefusal why = surgepad::TurboRefusal::None, uint32_t seconds = 0) {
    return static_cast<LRESULT>(surgepad::EncodeTurboReply({code, why, seconds}));
}

// Only the running copy's own outcome counts: a reply with another value is not taken
// for it, and without an outcome in time the command asks for the status once.
TEST_F(TurboCommand, OnlyTheRunningCopysOutcomeCountsAndALostOneIsAskedFor) {
    const struct Row {
        const char* what;
        FakeRunningCopy::Answer answer;
        DWORD code;
        const char* says;
        std::vector<uint32_t> asked;
    } rows[] = {
        {"a forged outcome, then the status says on",
         [](const FakeRunningCopy::Record& r) -> LRESULT {
             if (r.command == 4) {
                 return Encoded(surgepad::kTurboStatusOn);
             }
             PostMessageA(r.reply, surgepad::kTurboReplyMessage, surgepad::EncodeTurboReply({}), r.cookie + 1);
             return Encoded(surgepad::kTurboSwitchingOn);
         },
         0,
         "Turbo is on.",
         {1, 4}},
        {"no outcome, and the status says off",
         [](const FakeRunningCopy::Record& r) -> LRESULT {
             return Encoded(r.command == 4 ? surgepad::kTurboDone : surgepad::kTurboSwitchingOn);
         },
         2,
         "Refused: no answer from Surgepad.",
         {1, 4}},
        {"the outcome with the command's value",
         [](const FakeRunningCopy::Record& r) -> LRESULT {
             PostMessageA(r.reply, surgepad::kTurboReplyMessage,
                          surgepad::EncodeTurboReply({surgepad::kTurboRefused, surgepad::TurboRefusal::OnBattery, 0}),
                          r.cookie);
             return Encoded(surgepad::kTurboSwitchingOn);
         },
         2,
         "Refused: the PC runs on battery (Turbo off on battery).",
         {1}},
        {"an answer no running copy gives",
         [](const FakeRunningCopy::Record&) -> LRESULT { return 77; },
         2,
         "Refused: no answer from Surgepad.",
         {1}},
    };
    for (const Row& row : rows) {
        FakeRunningCopy copy(row.answer);
        const CommandRun run = RunCommand("-turbo on");
        EXPECT_EQ(run.code, std::optional<DWORD>(row.code)) << row.what << "\n" << run.trace;
        EXPECT_NE(run.trace.find(std::string("turbo command: ") + row.says), std::string::npos) << row.what << "\n"
                                                                                                << run.trace;
        EXPECT_EQ(copy.commands, row.asked) << row.what;
    }
}

// A copy that has begun to end refuses commands (its switch still finishing), and an
// outcome goes only to the window of the command that asked, while it is there.
TEST_F(TurboCommand, AClosingCopyRefusesAndAnOutcomeGoesOnlyToTheCommandsOwnWindow) {
    Start();
    // A reply window of another class, and one that is gone before the switch ends.
    struct Window {
        HWND handle;
        std::atomic<int> replies{0};
    };
    static Window* s_windows[2];
    Window other{nullptr};
    Window gone{nullptr};
    s_windows[0] = &other;
    s_windows[1] = &gone;
    const auto make = [](const char* cls, int index) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == surgepad::kTurboReplyMessage) {
                for (Window* window : s_windows) {
                    window->replies += window->handle == w ? 1 : 0;
                }
            }
            return DefWindowProcA(w, m, wp, lp);
        };
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = cls;
        RegisterClassA(&wc);
        s_windows[index]->handle =
            CreateWindowExA(0, cls, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    };
    make("NotTheReplyClass", 0);
    make(surgepad::kTurboReplyClass, 1);
    const auto send = [](HWND reply, uint32_t command) {
        surgepad::TurboCommandRecord record;
        record.command = command;
        record.cookie = 42;
        COPYDATASTRUCT data{surgepad::kTurboCopyDataId, sizeof record, &record};
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(e2e::MainWindow(), WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &answer);
        return surgepad::DecodeTurboReply(answer);
    };
    const auto first = send(other.handle, 1);
    ASSERT_TRUE(first && first->code == surgepad::kTurboSwitchingOn);
    ASSERT_TRUE(program->WaitForTrace("controller: switched on", 15000)) << program->TraceText();
    ASSERT_TRUE(program->WaitForTrace("display: the effect has ended")) << program->TraceText();
    const auto second = send(gone.handle, 2);
    ASSERT_TRUE(second && second->code == surgepad::kTurboSwitchingOff) << (second ? second->code : -1) << "\n"
                                                                        << program->TraceText();
    DestroyWindow(gone.handle);
    ASSERT_TRUE(program->WaitForTrace("controller: switched off", 15000)) << program->TraceText();
    EXPECT_TRUE(program->WaitForTrace("command: the reply window of process", 15000)) << program->TraceText();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(other.replies, 0) << "a window of another class got an outcome";
    EXPECT_EQ(gone.replies, 0);

    // A switch, then the close command while it runs (the system control service holds
    // it for a while): a command meanwhile is refused.
    const e2e::SimProcess service("service --delay 6000");
    Surgepad on("-turbo on");
    ASSERT_TRUE(program->WaitForTrace("controller: turbo on", 10000, 2)) << program->TraceText();
    PostMessageA(e2e::MainWindow(), 1024, 0x55, 0);
    ASSERT_TRUE(program->WaitForTrace("turbo rules: the program ends", 5000)) << program->TraceText();
    const CommandRun late = RunCommand("-turbo off");
    EXPECT_EQ(late.code, std::optional<DWORD>(2)) << late.trace;
    EXPECT_NE(late.trace.find("turbo command: Refused: Surgepad is closing."), std::string::npos) << late.trace;
    EXPECT_TRUE(program->WaitForExit(25000).has_value());
    EXPECT_EQ(program->CountTrace("controller: turbo off"), 1) << "a switch after the end began\n"
                                                               << program->TraceText();
    // The command whose switch was running hears that it will not be answered.
    EXPECT_EQ(on.WaitForExit(10000), std::optional<DWORD>(2)) << on.TraceText();
    EXPECT_NE(on.TraceText().find("turbo command: Refused: Surgepad is closing."), std::string::npos);
}

}  // namespace
