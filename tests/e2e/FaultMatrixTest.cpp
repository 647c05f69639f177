// The real program when a part it stands on fails: the firmware library, the
// power-feature library, the system control service, the settings and the profile
// files, the codec, the skin and the language files. Every case checks three things:
// the program stays up (a press after the fault is still handled, the close command
// still ends it cleanly), it shows what it should (trace, message boxes, warning page,
// texts), and it writes nothing it should not (the stand-ins' journal).
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Surgepad;

constexpr char kPress[] = "command: broadcast 0x00002255 0x00000000: press";
constexpr char kTurboOn[] = "controller: turbo on";
constexpr char kTurboOnBothShown[] = "controller: turbo on (display 1, badge 1)";
constexpr char kSwitchedOn[] = "controller: switched on";
constexpr char kTurboOff[] = "controller: turbo off";
constexpr char kSwitchedOff[] = "controller: switched off";
constexpr char kIgnored[] = "controller: an effect is running; the press is ignored";
constexpr char kCannotApply[] = "controller: the chosen profile cannot be applied: warning";
constexpr char kNotApplied[] = "controller: the profile could not be applied; turbo stays off";
constexpr char kFileNotLoaded[] = "KORA OC Profiles\\x.oc does not load; nothing written";
constexpr char kNotAcceptedOn[] = "[BtnContronLib] system control request (0, 0, 0) not accepted";
constexpr char kNotAcceptedOff[] = "[BtnContronLib] system control request (1, 0, 0) not accepted";
constexpr char kPipeTimeout[] = "CallSysCtrlService Failed, Waiting error or Timeout.";
constexpr char kPipeStillBusy[] = "CallSysCtrlService Failed, the previous request is not completed yet.";

// Journal lines of a switch of firmware profile 0 ("Game Boost") of full.txt.
constexpr char kPipeOn[] = "pipe 0x80000000 0x00000000 0x00000000 0x00000000";
constexpr char kPipeOff[] = "pipe 0x80000000 0x00000001 0x00000000 0x00000000";
constexpr char kVoltageOn[] = "acpi set 0x03020012 0x0000005A 2 ok";
constexpr char kBaseClockOn[] = "acpi set 0x03010011 0x0000012C 2 ok";
constexpr char kRatioOn[] = "acpi set 0x03000013 0x00000022 2 ok";
constexpr char kApplyControl[] = "acpi set 0x03080064 0x00000000 1";
constexpr char kVoltageBack[] = "acpi set 0x03020012 0x00000050 2 ok";
constexpr char kBaseClockBack[] = "acpi set 0x03010011 0x00000000 2 ok";
// Any overclocking value written (mode 2); the core selector is written in mode 1
// whenever the per-core ratios are read.
constexpr char kValueWritten[] = " 2 ok";
// Every scheme's button set to do nothing.
constexpr char kTakeover[] =
    "powrprof write {68A1E95E-13EA-41E1-8011-0C496CA490B0} {4F971E89-EEBD-4455-A8DE-9E59040E7347} "
    "{7648EFA3-DD9C-4E3E-B566-50F929386280} 0x00000000";

// A message box the program shows on the way; answered with OK.
struct Box {
    const char* caption;
    const char* text;  // a part of its message
};

// Steps that take a fault away again, run in reverse order after the case.
using Undo = std::vector<std::function<void()>>;

struct Fault {
    const char* name = {};
    const char* board = {};
    DWORD profileType = 0;          // the turbo action is chosen with this profile, display and badge on
    const char* service = nullptr;  // arguments of `kora-sim service`; nullptr: no service
    std::function<void(Undo&)> make = {};
    std::vector<Box> startBoxes = {};          // answered in this order before the program runs
    std::vector<std::string> startTrace = {};  // by the time it runs, in this order
    const char* menu = nullptr;                // the tray menu's texts as traced, when they are checked
    std::vector<std::string> firstPress = {};  // trace after the first press, in this order
    std::vector<std::string> firstJournal = {};
    bool secondWhileBusy = false;  // the second press comes while the first one's page still shows
    std::vector<std::string> secondPress = {};
    std::vector<std::string> secondJournal = {};
    std::vector<std::string> neverJournal = {};  // from the start on
    std::vector<std::string> neverTrace = {};
};

// The position after the last of `expected` when they all occur in `lines` in this
// order from `from` on, or nullopt.
std::optional<size_t> InOrder(const std::vector<std::string>& lines, size_t from,
                              const std::vector<std::string>& expected) {
    size_t at = from;
    for (const std::string& text : expected) {
        while (at < lines.size() && lines[at].find(text) == std::string::npos) {
            ++at;
        }
        if (at == lines.size()) {
            return std::nullopt;
        }
        ++at;
    }
    return at;
}

// Waits (bounded) until the trace holds `expected` in this order after line `from`.
bool WaitForTraceInOrder(const Surgepad& program, size_t from, const std::vector<std::string>& expected,
                         DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (InOrder(program.Trace(), from, expected)) {
            return true;
        }
        if (GetTickCount64() - start >= timeoutMs || !program.Running()) {
            return InOrder(program.Trace(), from, expected).has_value();
        }
        Sleep(100);
    }
}

std::vector<std::string> Slice(const std::vector<std::string>& lines, size_t from, size_t to) {
    from = std::min(from, lines.size());
    to = std::min(to, lines.size());
    return std::vector<std::string>(lines.begin() + static_cast<long>(from), lines.begin() + static_cast<long>(to));
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
        }
    }
    return bytes;
}

// Bytes that are no text, no picture and no profile (and start with no byte-order mark).
std::vector<uint8_t> Garbage(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 37 + 11) % 251 + 1);
    }
    return bytes;
}

// Moves a file or folder of the program folder away for the case.
void Remove(Undo& undo, const std::string& name) {
    const std::string path = e2e::ProgramDir() + name;
    const std::string away = path + ".away";
    ASSERT_TRUE(MoveFileA(path.c_str(), away.c_str())) << path << ", error " << GetLastError();
    undo.push_back([path, away] { MoveFileA(away.c_str(), path.c_str()); });
}

// Puts `bytes` in place of a file of the program folder for the case.
void Replace(Undo& undo, const std::string& name, const std::vector<uint8_t>& bytes) {
    Remove(undo, name);
    const std::string path = e2e::ProgramDir() + name;
    ASSERT_TRUE(e2e::WriteFileBytes(path, bytes)) << path;
    undo.push_back([path] { DeleteFileA(path.c_str()); });
}

// The chosen profile file, "x.oc", with `bytes`.
void ProfileFile(Undo& undo, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ProfileName", "x"));
    const std::string path = e2e::ProfileFolder() + "x.oc";
    ASSERT_TRUE(e2e::WriteFileBytes(path, bytes)) << path;
    undo.push_back([path] { DeleteFileA(path.c_str()); });
}

// The journal's line count, once the listener-free stand-ins have written.
size_t JournalSize() {
    return e2e::JournalLines().size();
}

class FaultMatrix : public testing::Test {
protected:
    void Run(const Fault& fault);
    void RunCase(const Fault& fault, Undo& undo);
};

void Answer(Surgepad& program, const std::vector<Box>& boxes) {
    for (const Box& box : boxes) {
        HWND w = e2e::WaitForMessageBox(box.caption, 20000, program.Pid());
        ASSERT_NE(w, nullptr) << "no message box \"" << box.caption << "\"\n" << program.TraceText();
        const std::string text = e2e::MessageBoxText(w);
        EXPECT_NE(text.find(box.text), std::string::npos) << "\"" << text << "\" lacks \"" << box.text << "\"";
        e2e::PressOk(w);
        const ULONGLONG start = GetTickCount64();
        while (IsWindow(w) && GetTickCount64() - start < 5000) {
            Sleep(50);
        }
        ASSERT_FALSE(IsWindow(w)) << "the box \"" << box.caption << "\" stays";
    }
}

// Shows the tray menu with a right click on the icon, checks its texts and closes it.
void ExpectMenu(Surgepad& program, const char* menu) {
    const size_t from = program.Trace().size();
    ASSERT_EQ(e2e::Sim("tray rclick"), 0);
    ASSERT_TRUE(WaitForTraceInOrder(program, from, {"tray: menu shown: "}, 5000)) << program.TraceText();
    // The menu's last two items (the turbo item and the profiles come first).
    EXPECT_TRUE(WaitForTraceInOrder(program, from, {std::string(" | ") + menu}, 1000)) << program.TraceText();
    Sleep(300);
    e2e::PressKey(VK_ESCAPE, 0);
    ASSERT_TRUE(WaitForTraceInOrder(program, from, {"tray: menu: nothing chosen"}, 5000)) << program.TraceText();
}

void FaultMatrix::Run(const Fault& fault) {
    SCOPED_TRACE(fault.name);
    Undo undo;
    RunCase(fault, undo);
    for (auto step = undo.rbegin(); step != undo.rend(); ++step) {
        (*step)();
    }
}

void FaultMatrix::RunCase(const Fault& fault, Undo& undo) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\KORA");
    e2e::UseBoard(fault.board);
    ASSERT_TRUE(e2e::ChooseTurbo(fault.profileType));
    if (fault.make) {
        fault.make(undo);
        if (HasFatalFailure()) {
            return;
        }
    }
    std::unique_ptr<e2e::SimProcess> service;
    if (fault.service != nullptr) {
        service = std::make_unique<e2e::SimProcess>(std::string("service ") + fault.service);
        Sleep(500);
    }
    const size_t journalStart = JournalSize();
    Surgepad program;
    Answer(program, fault.startBoxes);
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    EXPECT_TRUE(InOrder(program.Trace(), 0, fault.startTrace).has_value()) << program.TraceText();
    if (fault.menu != nullptr) {
        ExpectMenu(program, fault.menu);
    }

    // The first press meets the fault.
    const size_t firstTrace = program.Trace().size();
    const size_t firstJournal = JournalSize();
    ASSERT_EQ(e2e::Sim("press"), 0);
    std::vector<std::string> first{kPress};
    first.insert(first.end(), fault.firstPress.begin(), fault.firstPress.end());
    ASSERT_TRUE(WaitForTraceInOrder(program, firstTrace, first, 30000)) << "after the first press\n"
                                                                        << program.TraceText();
    ASSERT_TRUE(program.Sync());
    if (!fault.secondWhileBusy) {
        Sleep(500);  // the busy flag clears once the completion action has returned
    }

    // The second press is still handled.
    const size_t secondTrace = program.Trace().size();
    const size_t secondJournal = JournalSize();
    ASSERT_EQ(e2e::Sim("press"), 0);
    std::vector<std::string> second{kPress};
    second.insert(second.end(), fault.secondPress.begin(), fault.secondPress.end());
    ASSERT_TRUE(WaitForTraceInOrder(program, secondTrace, second, 30000)) << "after the second press\n"
                                                                          << program.TraceText();
    ASSERT_TRUE(program.Sync());
    Sleep(300);

    const std::vector<std::string> journal = e2e::JournalLines();
    EXPECT_TRUE(InOrder(Slice(journal, firstJournal, secondJournal), 0, fault.firstJournal).has_value())
        << "after the first press\n"
        << e2e::Joined(Slice(journal, journalStart, journal.size()));
    EXPECT_TRUE(InOrder(Slice(journal, secondJournal, journal.size()), 0, fault.secondJournal).has_value())
        << "after the second press\n"
        << e2e::Joined(Slice(journal, journalStart, journal.size()));
    const std::vector<std::string> written = Slice(journal, journalStart, journal.size());
    for (const std::string& text : fault.neverJournal) {
        EXPECT_EQ(e2e::Count(written, text), 0) << text << "\n" << e2e::Joined(written);
    }
    const std::vector<std::string> trace = program.Trace();
    for (const std::string& text : fault.neverTrace) {
        EXPECT_EQ(e2e::Count(trace, text), 0) << text << "\n" << program.TraceText();
    }
    EXPECT_EQ(e2e::Count(trace, "error:"), 0) << program.TraceText();
    EXPECT_EQ(e2e::Count(trace, kPress), 2) << program.TraceText();

    // Still up, and the close command ends it as always.
    ASSERT_TRUE(program.Running()) << program.TraceText();
    HWND main = e2e::WaitForWindow("TMainForm", "Surgepad", 5000, program.Pid());
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(PostMessageA(main, 1024, 0x55, 0));
    const std::optional<DWORD> exitCode = program.WaitForExit(30000);
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end\n" << program.TraceText();
    EXPECT_EQ(*exitCode, 0u) << program.TraceText();
}

// ---------------------------------------------------------------------------------------
// The firmware library

TEST_F(FaultMatrix, TheFirmwareLibraryFailing) {
    const Fault cases[] = {
        {
            // Nothing of the profile can be written: no turbo look, the warning page,
            // and not a single write or request.
            .name = "group 3 cannot be listed",
            .board = "fault-group3.txt",
            .service = "",
            .startBoxes = {{"AcOcItemSetBase", "Can not get any information from group 3"}},
            .firstPress = {kTurboOn, "[BtnContronLib] firmware profile 0", kNotApplied},
            .secondWhileBusy = true,
            .secondPress = {kIgnored},
            .neverJournal = {kValueWritten, "pipe ", "acpi set 0x03080064"},
        },
        {
            // No firmware profile: profile type 0 is the first file, named "" + ".oc",
            // which is not there. Turbo is on all the same; nothing is written.
            .name = "group 5 cannot be listed",
            .board = "fault-group5.txt",
            .service = "",
            .startTrace = {"[BtnContronLib] 0 firmware profiles"},
            .firstPress = {kTurboOn, "KORA OC Profiles\\.oc does not load; nothing written", kSwitchedOn},
            .firstJournal = {kPipeOn},
            .secondPress = {kTurboOff, kSwitchedOff},
            .secondJournal = {kPipeOff},
            .neverJournal = {kValueWritten},
        },
        {
            // An unreadable value is never written, neither by the profile nor back.
            .name = "the core voltage cannot be read",
            .board = "fault-noread-voltage.txt",
            .service = "",
            .firstPress = {kTurboOn, kSwitchedOn},
            .firstJournal = {kPipeOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kPipeOff},
            .neverJournal = {"acpi set 0x03020012"},
        },
        {
            // One core's ratio cannot be read, at start or at the switch: the last ratio
            // write reaches every core, and turbo off could not take it back. Nothing
            // is written; the warning instead of the turbo look.
            .name = "a core's ratio cannot be read",
            .board = "fault-noread-ratio.txt",
            .service = "",
            .firstPress = {kTurboOn, "the processor ratios in force cannot be read", kNotApplied},
            .secondWhileBusy = true,
            .secondPress = {kIgnored},
            .neverJournal = {kValueWritten, "pipe "},
        },
        {
            // The profile cannot be judged against the clock in force: the warning.
            .name = "the base clock cannot be read",
            .board = "fault-noread-clock.txt",
            .service = "",
            .firstPress = {kCannotApply},
            .secondWhileBusy = true,
            .secondPress = {kIgnored},
            .neverJournal = {kValueWritten, "pipe "},
        },
        {
            // A file profile the firmware refuses in part: what was written goes back,
            // the service hears turbo off, and the warning follows instead of the turbo
            // look.
            .name = "a write of a file profile refused",
            .board = "switch-refused.txt",
            .profileType = 2,
            .service = "",
            .make =
                [](Undo& undo) {
                    ProfileFile(undo, Words({0x4F43, 1, 2, 0x03020012, 85, 0x03000015, 16}));
                },
            .firstPress = {kTurboOn, "writes refused", kNotApplied},
            .firstJournal = {kPipeOn, "acpi set 0x03020012 0x00000055 2 fail", "acpi set 0x03000015 0x00000010 2 ok",
                             kApplyControl, "acpi set 0x03000015 0x00000016 2 ok", kPipeOff},
            .secondWhileBusy = true,
            .secondPress = {kIgnored},
            .neverTrace = {kSwitchedOn},
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// ---------------------------------------------------------------------------------------
// The power-feature library: without it the button cannot be held, so the power
// action is in force and a press changes nothing.

TEST_F(FaultMatrix, ThePowerFeatureLibraryMissingOrBroken) {
    const std::vector<std::string> nothingWritten = {kValueWritten, kTakeover};
    const std::vector<std::string> noSwitch = {"controller: turbo"};
    const Fault cases[] = {
        {
            .name = "Dormix.dll absent",
            .board = "full.txt",
            .make = [](Undo& undo) { Remove(undo, "Dormix.dll"); },
            .startTrace = {"power-feature library not loaded"},
            .neverJournal = nothingWritten,
            .neverTrace = noSwitch,
        },
        {
            // Both bindings of the library say so.
            .name = "Dormix.dll not a library",
            .board = "full.txt",
            .make = [](Undo& undo) { Replace(undo, "Dormix.dll", Garbage(4096)); },
            .startBoxes = {{"LoadLibrary Error", "Can not load "}, {"LoadLibrary Error", "Can not load "}},
            .startTrace = {"power-feature library not loaded"},
            .neverJournal = nothingWritten,
            .neverTrace = noSwitch,
        },
        {
            .name = "Dormix.dll without DormixSleep",
            .board = "full.txt",
            .make =
                [](Undo& undo) {
                    Remove(undo, "Dormix.dll");
                    const std::string path = e2e::ProgramDir() + "Dormix.dll";
                    ASSERT_TRUE(CopyFileA((e2e::ProgramDir() + "DormixWithoutSleep.dll").c_str(), path.c_str(), TRUE));
                    undo.push_back([path] { DeleteFileA(path.c_str()); });
                },
            .startBoxes = {{"LoadLibrary Error", "Can not find \"DormixSleep\""}},
            .neverJournal = nothingWritten,
            .neverTrace = noSwitch,
        },
        {
            .name = "vvc.dll absent",
            .board = "full.txt",
            .make = [](Undo& undo) { Remove(undo, "vvc.dll"); },
            .startBoxes = {{"LoadLibrary Error", "vvc.dll"}},
            .neverJournal = nothingWritten,
            .neverTrace = noSwitch,
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// ---------------------------------------------------------------------------------------
// The system control service: its answer is never waited for beyond 10 s and never
// decides whether the values are written.

// The service's pipe with its only instance taken by another client.
class BusyPipe {
public:
    BusyPipe() {
        const char path[] = "\\\\.\\PIPE\\KORA SYSTEM CONTROL PIPE";
        m_server = CreateNamedPipeA(path, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        if (m_server == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "the pipe cannot be made, error " << GetLastError();
            return;
        }
        OVERLAPPED connect = {};
        connect.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ConnectNamedPipe(m_server, &connect);
        m_client = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(m_client, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        EXPECT_EQ(WaitForSingleObject(connect.hEvent, 5000), WAIT_OBJECT_0);
        CloseHandle(connect.hEvent);
    }
    ~BusyPipe() {
        if (m_client != INVALID_HANDLE_VALUE) {
            CloseHandle(m_client);
        }
        if (m_server != INVALID_HANDLE_VALUE) {
            CloseHandle(m_server);
        }
    }
    BusyPipe(const BusyPipe&) = delete;
    BusyPipe& operator=(const BusyPipe&) = delete;

private:
    HANDLE m_server = INVALID_HANDLE_VALUE;
    HANDLE m_client = INVALID_HANDLE_VALUE;
};

TEST_F(FaultMatrix, TheSystemControlServiceAbsentSlowShortOrBusy) {
    const Fault cases[] = {
        {
            .name = "no service",
            .board = "full.txt",
            .firstPress = {kTurboOn, "[BasicNamedPipe<char_t>::Call] failed, GetLastError returned ", kNotAcceptedOn,
                           kSwitchedOn},
            .firstJournal = {kVoltageOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kNotAcceptedOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kVoltageBack},
            .neverJournal = {"pipe "},
        },
        {
            // The request is given up before its answer comes; the service then takes
            // the next request, which is not refused as still running, and is as slow.
            .name = "an answer after 12 s",
            .board = "full.txt",
            .service = "--delay 12000",
            .firstPress = {kTurboOn, kPipeTimeout, kNotAcceptedOn, kSwitchedOn},
            .firstJournal = {kVoltageOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kPipeTimeout, kNotAcceptedOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kVoltageBack},
            .neverTrace = {kPipeStillBusy},
        },
        {
            // Each request ends with the timeout and the next one still reaches the
            // pipe (once a service answers again, a request goes through: PipeTest).
            .name = "a service that takes the request and never answers",
            .board = "full.txt",
            .service = "--delay 600000",
            .firstPress = {kTurboOn, kPipeTimeout, kNotAcceptedOn, kSwitchedOn},
            .firstJournal = {kVoltageOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kPipeTimeout, kNotAcceptedOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kVoltageBack},
            .neverTrace = {kPipeStillBusy},
        },
        {
            .name = "an answer of 2 bytes",
            .board = "full.txt",
            .service = "--bytes 2",
            .firstPress = {kTurboOn, kNotAcceptedOn, kSwitchedOn},
            .firstJournal = {kPipeOn, kVoltageOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kNotAcceptedOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kVoltageBack, kPipeOff},
        },
        {
            // Each request waits for a free instance until its time is up, the next
            // one as well: none is refused as still running.
            .name = "every instance busy",
            .board = "full.txt",
            .make =
                [](Undo& undo) {
                    auto pipe = std::make_shared<BusyPipe>();
                    undo.push_back([pipe]() mutable { pipe.reset(); });
                },
            .firstPress = {kTurboOn, kPipeTimeout, kNotAcceptedOn, kSwitchedOn},
            .firstJournal = {kVoltageOn, kBaseClockOn, kRatioOn, kApplyControl},
            .secondPress = {kTurboOff, kPipeTimeout, kNotAcceptedOff, kSwitchedOff},
            .secondJournal = {kBaseClockBack, kVoltageBack},
            .neverJournal = {"pipe "},
            .neverTrace = {kPipeStillBusy},
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// ---------------------------------------------------------------------------------------
// The settings and the profile files

// Denies writing to the settings key for everyone, as an administrator's policy may.
void DenySettingsWrites(Undo& undo) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, e2e::kSettingsKey, 0, READ_CONTROL | WRITE_DAC, &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR denying = nullptr;
    // Deny setting values and making sub-keys to Everyone; allow the rest.
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x0006;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &denying, nullptr));
    const LONG set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, denying);
    LocalFree(denying);
    RegCloseKey(key);
    ASSERT_EQ(set, ERROR_SUCCESS);
    undo.push_back([] {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, e2e::kSettingsKey, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
            PSECURITY_DESCRIPTOR open = nullptr;
            if (ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1, &open,
                                                                     nullptr)) {
                RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, open);
                LocalFree(open);
            }
            RegCloseKey(key);
        }
    });
    // The key as the program opens it (creation, full access) must be refused now.
    HKEY probe = nullptr;
    const LONG opened =
        RegCreateKeyExA(HKEY_CURRENT_USER, e2e::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &probe, nullptr);
    if (opened == ERROR_SUCCESS) {
        RegCloseKey(probe);
    }
    ASSERT_EQ(opened, ERROR_ACCESS_DENIED);
}

TEST_F(FaultMatrix, TheSettingsUnwritableOrOfTheWrongType) {
    const Fault cases[] = {
        {
            // Reads give their defaults (the power action), writes do nothing, and the
            // power button is left as it is.
            .name = "the settings key unwritable",
            .board = "full.txt",
            .make = DenySettingsWrites,
            .neverJournal = {kValueWritten, kTakeover},
            .neverTrace = {"controller: turbo"},
        },
        {
            // A value of the wrong type reads as missing: display and badge on, the
            // last firmware profile ("Silent OC": core voltage 70).
            .name = "texts where numbers belong",
            .board = "full.txt",
            .service = "",
            .make =
                [](Undo&) {
                    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "OsdEnabled", "0"));
                    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "StatusEnabled", "0"));
                    ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ProfileType", "0"));
                },
            .firstPress = {kTurboOnBothShown, kSwitchedOn},
            .firstJournal = {kPipeOn, "acpi set 0x03020012 0x00000046 2 ok", kApplyControl},
            .secondPress = {kTurboOff, kSwitchedOff},
            .secondJournal = {kVoltageBack, kPipeOff},
            .neverJournal = {kVoltageOn},
        },
        {
            // Nothing shows that this program holds the button: the setting in force is
            // the user's, left as it is, and a press switches nothing.
            .name = "the hold as a text",
            .board = "full.txt",
            .make = [](Undo&) { ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "PowerButtonDisabled", "0")); },
            .startTrace = {"the power button belongs to the system"},
            .neverJournal = {kValueWritten},
            .neverTrace = {"controller: turbo"},
        },
        {
            .name = "the button action as a text",
            .board = "full.txt",
            .make = [](Undo&) { ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ButtonAction", "0")); },
            .neverJournal = {kValueWritten},
            .neverTrace = {"controller: turbo"},
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// A profile file that does not load still turns turbo on, writing nothing; the next
// press turns it off again, and nothing differs from the start-up values.
Fault UnloadableProfile(const char* name, std::function<void(Undo&)> make) {
    return Fault{
        .name = name,
        .board = "full.txt",
        .profileType = 2,
        .service = "",
        .make = std::move(make),
        .firstPress = {kTurboOn, kFileNotLoaded, kSwitchedOn},
        .firstJournal = {kPipeOn},
        .secondPress = {kTurboOff, kSwitchedOff},
        .secondJournal = {kPipeOff},
        .neverJournal = {kValueWritten},
    };
}

TEST_F(FaultMatrix, TheChosenProfileFileDamagedOrUnreadable) {
    const Fault cases[] = {
        UnloadableProfile("empty", [](Undo& undo) { ProfileFile(undo, {}); }),
        UnloadableProfile("garbage", [](Undo& undo) { ProfileFile(undo, Garbage(1000)); }),
        // 50 MB of records, each of them a value in range: no profile of a real board.
        UnloadableProfile("50 MB",
                          [](Undo& undo) {
                              const uint32_t records = 50u * 1024 * 1024 / 8;
                              std::vector<uint8_t> bytes = Words({0x4F43, 1, records});
                              const std::vector<uint8_t> record = Words({0x03020012, 85});
                              bytes.reserve(bytes.size() + size_t{records} * 8);
                              for (uint32_t i = 0; i < records; ++i) {
                                  bytes.insert(bytes.end(), record.begin(), record.end());
                              }
                              ProfileFile(undo, bytes);
                          }),
        UnloadableProfile("locked by another program",
                          [](Undo& undo) {
                              ProfileFile(undo, Words({0x4F43, 1, 1, 0x03020012, 85}));
                              const HANDLE locked = CreateFileA((e2e::ProfileFolder() + "x.oc").c_str(), GENERIC_READ,
                                                                0, nullptr, OPEN_EXISTING, 0, nullptr);
                              ASSERT_NE(locked, INVALID_HANDLE_VALUE);
                              undo.push_back([locked] { CloseHandle(locked); });
                          }),
        UnloadableProfile("a folder named x.oc",
                          [](Undo& undo) {
                              ASSERT_TRUE(e2e::SetUserString(e2e::kSettingsKey, "ProfileName", "x"));
                              const std::string path = e2e::ProfileFolder() + "x.oc";
                              ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
                              undo.push_back([path] { RemoveDirectoryA(path.c_str()); });
                          }),
        {
            // Three records announced, one and a half there: the whole one is applied
            // and written back at turbo off; the half one never.
            .name = "truncated",
            .board = "full.txt",
            .profileType = 2,
            .service = "",
            .make =
                [](Undo& undo) {
                    ProfileFile(undo, Words({0x4F43, 1, 3, 0x03020012, 85, 0x03000015}));
                },
            .firstPress = {kTurboOn, "x.oc: writing 1 values", kSwitchedOn},
            .firstJournal = {kPipeOn, "acpi set 0x03020012 0x00000055 2 ok", kApplyControl},
            .secondPress = {kTurboOff, kSwitchedOff},
            .secondJournal = {kVoltageBack, kPipeOff},
            .neverJournal = {"acpi set 0x03000015"},
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// ---------------------------------------------------------------------------------------
// Pictures and texts: the program starts, its icon is there, a press works, and a
// missing text shows in the program's own English words, never as a placeholder.

TEST_F(FaultMatrix, SkinPicturesAndLanguageFilesMissingOrDamaged) {
    const std::vector<std::string> onThenOff[] = {{kTurboOn, kSwitchedOn}, {kTurboOff, kSwitchedOff}};
    const Fault cases[] = {
        {
            .name = "the display's and the badge's pictures missing",
            .board = "full.txt",
            .make =
                [](Undo& undo) {
                    Remove(undo, "Resource\\turbo_on.png");
                    Remove(undo, "Resource\\turbo_off.png");
                    Remove(undo, "Resource\\turbo_mode.png");
                },
            .startTrace = {"tray: icon added"},
            .firstPress = onThenOff[0],
            .firstJournal = {kVoltageOn, kApplyControl},
            .secondPress = onThenOff[1],
            .secondJournal = {kVoltageBack},
        },
        {
            .name = "no language files",
            .board = "full.txt",
            .make = [](Undo& undo) { Remove(undo, "LangFiles"); },
            .startTrace = {"tray: icon added"},
            .menu = "Settings | Exit",
            .firstPress = onThenOff[0],
            .secondPress = onThenOff[1],
        },
        {
            .name = "the English file damaged",
            .board = "full.txt",
            .make = [](Undo& undo) { Replace(undo, "LangFiles\\English\\English.ini", Garbage(4096)); },
            .startTrace = {"tray: icon added"},
            .menu = "Settings | Exit",
            .firstPress = onThenOff[0],
            .secondPress = onThenOff[1],
        },
        {
            // The language list unreadable: English.
            .name = "the language list damaged",
            .board = "full.txt",
            .make = [](Undo& undo) { Replace(undo, "LangFiles\\KrMultiLang.ini", Garbage(4096)); },
            .startTrace = {"tray: icon added"},
            .menu = "Settings | Exit",
            .firstPress = onThenOff[0],
            .secondPress = onThenOff[1],
        },
    };
    for (const Fault& fault : cases) {
        Run(fault);
    }
}

// Without its codec the program cannot draw a single window: the class library's
// assertion says so and ends the process before the power button is touched.
TEST_F(FaultMatrix, WithoutTheCodecTheAssertionEndsTheProgramBeforeAnythingIsWritten) {
    Undo undo;
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    Remove(undo, "pngio.dll");
    ASSERT_FALSE(HasFatalFailure());
    const size_t journalStart = JournalSize();
    Surgepad program;
    HWND box = e2e::WaitForMessageBox("Surgepad.exe", 20000, program.Pid());
    ASSERT_NE(box, nullptr) << program.TraceText();
    EXPECT_EQ(e2e::MessageBoxText(box).rfind("Assertion failed: m_hinst, file PngReader.cpp, line ", 0), 0u)
        << e2e::MessageBoxText(box);
    e2e::PressOk(box);
    const std::optional<DWORD> exitCode = program.WaitForExit(10000);
    ASSERT_TRUE(exitCode.has_value()) << program.TraceText();
    EXPECT_EQ(*exitCode, 3u);
    EXPECT_EQ(program.CountTrace("startup: running"), 0) << program.TraceText();
    const std::vector<std::string> journal = e2e::JournalLines();
    const std::vector<std::string> written = Slice(journal, journalStart, journal.size());
    EXPECT_EQ(e2e::Count(written, kTakeover), 0) << e2e::Joined(written);
    EXPECT_EQ(e2e::Count(written, kValueWritten), 0) << e2e::Joined(written);
    for (auto step = undo.rbegin(); step != undo.rend(); ++step) {
        (*step)();
    }
}

}  // namespace
