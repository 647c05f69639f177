#include "surgepad/app/TurboSwitch.h"

#include <windows.h>

#include <random>
#include <string>
#include <thread>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "surgepad/app/MainForm.h"
#include "surgepad/app/MessageFilter.h"

namespace surgepad {
namespace {

// A line on the standard output or error (or the console of the program that started
// this one: a program of the windows subsystem has none of its own).
void PrintLine(const std::string& text, DWORD which = STD_OUTPUT_HANDLE) {
    lumen::Trace("turbo command: %s", text.c_str());
    const std::string line = text + "\r\n";
    HANDLE out = GetStdHandle(which);
    HANDLE console = INVALID_HANDLE_VALUE;
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED) {
            console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            out = console;
        }
    }
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        (void)WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    if (console != INVALID_HANDLE_VALUE) {
        CloseHandle(console);
    }
}

// A value no other program can guess, so that only the running copy's replies count.
uint32_t NewCookie() {
    std::random_device device;
    uint32_t cookie = 0;
    while (cookie == 0) {
        cookie = device();
    }
    return cookie;
}

// The window the running copy posts a switch's outcome to.
class ReplyWindow {
public:
    ReplyWindow() : m_cookie(NewCookie()) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ReplyWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kTurboReplyClass;
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, kTurboReplyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        if (m_window != nullptr) {
            SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            // Run elevated (an administrator's console, a task with the highest rights),
            // this program would not hear the running copy otherwise.
            const bool allowed = AllowWindowMessageFor(m_window, kTurboReplyMessage);
            lumen::Trace("turbo command: replies let through to the reply window%s", allowed ? "" : ": refused");
        }
    }
    ~ReplyWindow() {
        if (m_window != nullptr) {
            DestroyWindow(m_window);
        }
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;

    HWND Handle() const { return m_window; }
    uint32_t Cookie() const { return m_cookie; }
    const std::optional<TurboReply>& Outcome() const { return m_outcome; }

    // Handles messages until the outcome came, `object` is signalled or `timeoutMs` has
    // passed; true when the outcome came.
    bool Wait(DWORD timeoutMs, HANDLE object = nullptr) {
        const ULONGLONG end = timeoutMs == INFINITE ? 0 : GetTickCount64() + timeoutMs;
        while (!m_outcome) {
            const ULONGLONG now = GetTickCount64();
            if (timeoutMs != INFINITE && now >= end) {
                return false;
            }
            const DWORD count = object != nullptr ? 1 : 0;
            const DWORD woke = MsgWaitForMultipleObjects(
                count, &object, FALSE, timeoutMs == INFINITE ? INFINITE : static_cast<DWORD>(end - now), QS_ALLINPUT);
            if (count == 1 && woke == WAIT_OBJECT_0) {
                return false;
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
        }
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kTurboReplyMessage) {
            auto* self = reinterpret_cast<ReplyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            const std::optional<TurboReply> reply = DecodeTurboReply(static_cast<uint64_t>(wParam));
            if (self != nullptr && static_cast<uint32_t>(lParam) == self->m_cookie && reply &&
                (reply->code == kTurboDone || reply->code == kTurboRefused)) {
                self->m_outcome = reply;
            } else {
                lumen::Trace("turbo command: a reply that is not the running copy's was ignored");
            }
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    uint32_t m_cookie;
    std::optional<TurboReply> m_outcome;
};

constexpr TurboReply kNotRunning{kTurboNotRunning, TurboRefusal::None, 0};
constexpr TurboReply kNoAnswer{kTurboRefused, TurboRefusal::NoAnswer, 0};

// Sends `record` to the running copy; its answer, or kNotRunning.
TurboReply Send(TurboCommandRecord record, ReplyWindow& reply) {
    HWND main = FindWindowA(kMainFormClass, kMainFormCaption);
    if (main == nullptr) {
        return kNotRunning;
    }
    record.cookie = reply.Cookie();
    COPYDATASTRUCT data{kTurboCopyDataId, sizeof record, &record};
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(main, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.Handle()),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &answer) == 0) {
        // Gone meanwhile, or not answering.
        return IsWindow(main) ? kNoAnswer : kNotRunning;
    }
    // A window of that name that does not speak the command gets no say.
    return DecodeTurboReply(static_cast<uint64_t>(answer)).value_or(kNoAnswer);
}

TurboReply Ask(const TurboCommandLine& line) {
    ReplyWindow reply;
    TurboCommandRecord record;
    record.command = static_cast<uint32_t>(line.command);
    record.seconds = static_cast<uint32_t>(line.seconds);
    const TurboReply answer = Send(record, reply);
    if (answer.code != kTurboSwitchingOn && answer.code != kTurboSwitchingOff) {
        return answer;
    }
    if (reply.Wait(kTurboSwitchWaitMs)) {
        return *reply.Outcome();
    }
    // No outcome in time (a lost message, a switch that took longer): what is in force
    // now decides, asked once.
    lumen::Trace("turbo command: no outcome within %u ms; asking for the status", kTurboSwitchWaitMs);
    TurboCommandRecord status;
    status.command = static_cast<uint32_t>(TurboCommand::Status);
    const TurboReply now = Send(status, reply);
    const bool wantOn = answer.code == kTurboSwitchingOn;
    if ((now.code == kTurboStatusOn && wantOn) || (now.code == kTurboDone && !wantOn)) {
        return TurboReply{};
    }
    return kNoAnswer;
}

// -turbo run: PROGRAM's command line as the user wrote it.
std::wstring ProgramCommandLine(const TurboCommandLine& line) {
    const std::wstring whole = GetCommandLineW();
    const std::vector<size_t> starts = ArgumentStarts(whole);
    if (line.programIndex <= 0 || static_cast<size_t>(line.programIndex) >= starts.size()) {
        return {};
    }
    return whole.substr(starts[static_cast<size_t>(line.programIndex)]);
}

// PROGRAM and every process it starts, in a job whose completion port says when the
// last of them has ended. A process that leaves the job (a launcher handing over) is not
// waited for.
class ProgramJob {
public:
    ProgramJob() {
        m_job.reset(CreateJobObjectA(nullptr, nullptr));
        m_port.reset(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
        m_ended.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!m_job || !m_port || !m_ended) {
            m_job.reset();
            return;
        }
        // Programs that ask to leave the job may (launchers do): refusing would break
        // their start. Nothing is ended with the job: the command may be ended first.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT port = {};
        port.CompletionKey = m_job.get();
        port.CompletionPort = m_port.get();
        if (!SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
            !SetInformationJobObject(m_job.get(), JobObjectAssociateCompletionPortInformation, &port, sizeof port)) {
            m_job.reset();
        }
    }
    ~ProgramJob() {
        if (m_listener.joinable()) {
            PostQueuedCompletionStatus(m_port.get(), 0, 0, nullptr);
            m_listener.join();
        }
    }
    ProgramJob(const ProgramJob&) = delete;
    ProgramJob& operator=(const ProgramJob&) = delete;

    // Puts the (suspended) process into the job; false where jobs cannot hold it (a
    // system without nested jobs whose caller already put this command in one).
    bool Hold(HANDLE process) {
        if (!m_job || !AssignProcessToJobObject(m_job.get(), process)) {
            return false;
        }
        m_listener = std::thread([this] {
            DWORD message = 0;
            ULONG_PTR key = 0;
            LPOVERLAPPED data = nullptr;
            while (GetQueuedCompletionStatus(m_port.get(), &message, &key, &data, INFINITE)) {
                if (key == 0) {
                    return;
                }
                if (key == reinterpret_cast<ULONG_PTR>(m_job.get()) && message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
                    SetEvent(m_ended.get());
                    return;
                }
            }
        });
        return true;
    }
    HANDLE Ended() const { return m_ended.get(); }

private:
    lumen::UniqueHandle m_job;
    lumen::UniqueHandle m_port;
    lumen::UniqueHandle m_ended;
    std::thread m_listener;
};

int RunProgram(const TurboCommandLine& line, const char* const* argv) {
    const std::string name = ProgramName(argv[line.programIndex]);
    std::wstring commandLine = ProgramCommandLine(line);
    // A program with a console of its own, or a console program started from one, has
    // its standard handles passed on.
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    const bool handles = si.hStdOutput != nullptr && si.hStdOutput != INVALID_HANDLE_VALUE;
    si.dwFlags = handles ? STARTF_USESTDHANDLES : 0;
    PROCESS_INFORMATION pi = {};
    // Suspended until the job holds it and turbo is asked for. Out of any job this
    // command may have been put in, where that job allows it.
    const DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    bool started =
        !commandLine.empty() && CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, handles ? TRUE : FALSE,
                                               flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &si, &pi);
    if (!started && !commandLine.empty()) {
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, handles ? TRUE : FALSE, flags, nullptr,
                                 nullptr, &si, &pi);
    }
    if (!started) {
        PrintLine("Surgepad: " + name + " cannot be started (error " + std::to_string(GetLastError()) + ").",
                  STD_ERROR_HANDLE);
        return kTurboBadArguments;
    }
    const lumen::UniqueHandle process(pi.hProcess);
    const lumen::UniqueHandle thread(pi.hThread);
    ProgramJob job;
    const bool held = job.Hold(process.get());
    if (!held) {
        lumen::Trace("turbo command: %s is not in a job of its own (error %lu); only it is waited for", name.c_str(),
                     GetLastError());
    }

    ReplyWindow reply;
    TurboCommandRecord record;
    record.command = static_cast<uint32_t>(TurboCommand::Run);
    name.copy(record.name, sizeof record.name - 1);
    const TurboReply answer = Send(record, reply);
    if (answer.code != kTurboDone && answer.code != kTurboSwitchingOn && answer.code != kTurboSwitchingOff) {
        PrintLine(TurboRunWithoutText(answer, name), STD_ERROR_HANDLE);
    }
    ResumeThread(thread.get());
    lumen::Trace("turbo command: %s started (process %lu)", name.c_str(), static_cast<unsigned long>(pi.dwProcessId));

    // Until PROGRAM and its processes have ended; a switch's outcome is heard meanwhile.
    HANDLE ended = held ? job.Ended() : process.get();
    if (reply.Wait(INFINITE, ended)) {
        if (reply.Outcome()->code == kTurboRefused) {
            PrintLine(TurboRunWithoutText(*reply.Outcome(), name), STD_ERROR_HANDLE);
        }
        (void)WaitForSingleObject(ended, INFINITE);
    }
    DWORD code = 0;
    (void)WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &code);
    lumen::Trace("turbo command: %s ended with exit code %lu", name.c_str(), static_cast<unsigned long>(code));
    return static_cast<int>(code);
}

}  // namespace

int RunTurboCommand(const TurboCommandLine& line, const char* const* argv) {
    if (line.kind == TurboCommandLine::Kind::Usage) {
        PrintLine(TurboUsage());
        return kTurboDone;
    }
    if (line.kind != TurboCommandLine::Kind::Command) {
        PrintLine(TurboUsage());
        return kTurboBadArguments;
    }
    if (line.command == TurboCommand::Run) {
        return RunProgram(line, argv);
    }
    const TurboReply reply = Ask(line);
    PrintLine(TurboOutcomeText(line.command, reply));
    return reply.code;
}

}  // namespace surgepad
