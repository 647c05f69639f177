// Subcommands that keep a window until they are closed or ended: window, listen.
#include <windows.h>

#include <cstdio>

#include "sim/korasim/Commands.h"

namespace korasim {
namespace {

struct WindowState {
    std::string caption;
    UINT broadcast = 0;
};

LRESULT CALLBACK StandInProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<WindowState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        state = static_cast<WindowState*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    if (state != nullptr) {
        if (state->broadcast != 0 && message == state->broadcast) {
            const std::string line =
                "broadcast " + Hex(static_cast<uint32_t>(wParam)) + " " + Hex(static_cast<uint32_t>(lParam));
            Journal(line);
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            return 0;
        }
        if (state->broadcast == 0 && message >= 1024 && message <= 1100) {
            const std::string line = "window " + state->caption + " " + Hex(message) + " " +
                                     Hex(static_cast<uint32_t>(wParam)) + " " + Hex(static_cast<uint32_t>(lParam));
            Journal(line);
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            return 0;
        }
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RunWindowLoop(const char* className, WindowState& state, DWORD style, int width, int height) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    if (RegisterClassExA(&wc) == 0) {
        return Fail(1, "cannot register the window class");
    }
    HWND hwnd = CreateWindowExA(0, className, state.caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                                nullptr, nullptr, wc.hInstance, &state);
    if (hwnd == nullptr) {
        return Fail(1, "cannot create the window, error " + std::to_string(GetLastError()));
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int RunWindow(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        return Fail(2, "usage: window CAPTION");
    }
    WindowState state;
    state.caption = argv[1];
    // The class the board maker's utilities share; the caption tells them apart.
    return RunWindowLoop("TMainForm", state, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 320, 120);
}

int RunListen(int argc, char**) {
    if (argc != 1) {
        return Fail(2, "usage: listen");
    }
    WindowState state;
    state.caption = "kora-sim listen";
    state.broadcast = RegisterWindowMessageA("WM_KORA_BROADCAST_MESSAGE");
    if (state.broadcast == 0) {
        return Fail(1, "cannot register WM_KORA_BROADCAST_MESSAGE");
    }
    // A hidden top-level window: broadcasts never reach message-only windows.
    return RunWindowLoop("KoraSimListener", state, WS_POPUP, 0, 0);
}

}  // namespace korasim
