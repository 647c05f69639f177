#include "surgepad/TurboSwitch.h"

#include <windows.h>

#include <string>

#include "lumen/core/DebugTrace.h"
#include "surgepad/MainForm.h"

namespace surgepad {
namespace {

void PrintLine(const std::string& text) {
    lumen::Trace("turbo command: %s", text.c_str());
    const std::string line = text + "\r\n";
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE console = INVALID_HANDLE_VALUE;
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        // Started from a console: a program of the windows subsystem has none of its own.
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
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

// The window the running copy answers a switch's outcome to.
class ReplyWindow {
public:
    ReplyWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ReplyWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kTurboReplyClass;
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, kTurboReplyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
        if (m_window != nullptr) {
            SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
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

    // The outcome, or kTurboRefused when none came within `timeoutMs`.
    int Wait(DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (m_outcome < 0) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) {
                return kTurboRefused;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
        }
        return m_outcome;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kTurboReplyMessage) {
            auto* self = reinterpret_cast<ReplyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self != nullptr) {
                self->m_outcome = static_cast<int>(wParam) == kTurboDone ? kTurboDone : kTurboRefused;
            }
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    int m_outcome = -1;
};

int Ask(TurboCommand command) {
    HWND main = FindWindowA(kMainFormClass, kMainFormCaption);
    if (main == nullptr) {
        return kTurboNotRunning;
    }
    ReplyWindow reply;
    TurboCommandRecord record;
    record.command = static_cast<uint32_t>(command);
    COPYDATASTRUCT data{kTurboCopyDataId, sizeof record, &record};
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(main, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.Handle()),
                            reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &answer) == 0) {
        // Gone meanwhile, or not answering.
        return IsWindow(main) ? kTurboRefused : kTurboNotRunning;
    }
    switch (static_cast<int>(answer)) {
        case kTurboSwitching:
            return reply.Wait(kTurboSwitchWaitMs);
        case kTurboDone:
        case kTurboStatusOn:
        case kTurboRefused:
            return static_cast<int>(answer);
        default:
            // A window of that name that does not speak the command.
            return kTurboRefused;
    }
}

}  // namespace

int RunTurboCommand(const TurboCommandLine& line) {
    if (line.kind == TurboCommandLine::Kind::Usage) {
        PrintLine(TurboUsage());
        return kTurboDone;
    }
    if (line.kind != TurboCommandLine::Kind::Command) {
        PrintLine(TurboUsage());
        return kTurboBadArguments;
    }
    const int code = Ask(line.command);
    PrintLine(TurboOutcomeText(line.command, code));
    return code;
}

}  // namespace surgepad
