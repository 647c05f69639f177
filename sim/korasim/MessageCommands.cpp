// Subcommands that post or send one message: press, broadcast, command, power, tray.
#include <windows.h>

#include <cstdio>

#include "sim/korasim/Commands.h"

namespace korasim {
namespace {

constexpr char kBroadcastName[] = "WM_KORA_BROADCAST_MESSAGE";
constexpr char kSurgepadClass[] = "TMainForm";
constexpr char kSurgepadCaption[] = "Surgepad";
// The hidden window that owns Surgepad's notification record (a message-only window).
constexpr char kTrayWindowClass[] = "TsTrayIconWindow";
constexpr UINT kTrayCallbackMessage = 1114;
constexpr UINT kTrayIconId = 1;

int PostBroadcast(uint32_t wParam, uint32_t lParam) {
    const UINT id = RegisterWindowMessageA(kBroadcastName);
    if (id == 0) {
        return Fail(1, "cannot register " + std::string(kBroadcastName));
    }
    if (!PostMessageA(HWND_BROADCAST, id, wParam, static_cast<LPARAM>(lParam))) {
        return Fail(1, "broadcast failed, error " + std::to_string(GetLastError()));
    }
    return 0;
}

HWND FindSurgepad() {
    return FindWindowA(kSurgepadClass, kSurgepadCaption);
}

}  // namespace

int RunPress(int argc, char**) {
    if (argc != 1) {
        return Fail(2, "usage: press");
    }
    return PostBroadcast(0x2255, 0);
}

int RunBroadcast(int argc, char** argv) {
    if (argc != 3) {
        return Fail(2, "usage: broadcast WPARAM LPARAM");
    }
    const auto wParam = ParseNumber(argv[1]);
    const auto lParam = ParseNumber(argv[2]);
    if (!wParam || !lParam) {
        return Fail(2, "WPARAM and LPARAM are 32-bit numbers (decimal or 0x hexadecimal)");
    }
    return PostBroadcast(*wParam, *lParam);
}

int RunCommand(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        return Fail(2, "usage: command MSG [WPARAM]");
    }
    const auto message = ParseNumber(argv[1]);
    const auto wParam = argc == 3 ? ParseNumber(argv[2]) : std::optional<uint32_t>(0x55);
    if (!message || !wParam) {
        return Fail(2, "MSG and WPARAM are 32-bit numbers (decimal or 0x hexadecimal)");
    }
    HWND target = FindSurgepad();
    if (target == nullptr) {
        return Fail(1, "no Surgepad window");
    }
    if (!PostMessageA(target, *message, *wParam, 0)) {
        return Fail(1, "posting failed, error " + std::to_string(GetLastError()));
    }
    return 0;
}

int RunPower(int argc, char** argv) {
    if (argc != 2) {
        return Fail(2, "usage: power WPARAM");
    }
    const auto wParam = ParseNumber(argv[1]);
    if (!wParam) {
        return Fail(2, "WPARAM is a 32-bit number (decimal or 0x hexadecimal)");
    }
    HWND target = FindSurgepad();
    if (target == nullptr) {
        return Fail(1, "no Surgepad window");
    }
    // Sent, as the system does; a program that hangs does not hang this one.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(target, WM_POWERBROADCAST, *wParam, 0, SMTO_ABORTIFHUNG, 10000, &result)) {
        return Fail(1, "Surgepad did not answer the power broadcast");
    }
    return 0;
}

int RunTray(int argc, char** argv) {
    if (argc != 2) {
        return Fail(2, "usage: tray click|rclick");
    }
    const std::string kind = argv[1];
    UINT down = 0;
    UINT up = 0;
    if (kind == "click") {
        down = WM_LBUTTONDOWN;
        up = WM_LBUTTONUP;
    } else if (kind == "rclick") {
        down = WM_RBUTTONDOWN;
        up = WM_RBUTTONUP;
    } else {
        return Fail(2, "usage: tray click|rclick");
    }
    HWND main = FindSurgepad();
    if (main == nullptr) {
        return Fail(1, "no Surgepad window");
    }
    DWORD surgepadProcess = 0;
    GetWindowThreadProcessId(main, &surgepadProcess);
    HWND owner = nullptr;
    for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, kTrayWindowClass, nullptr); w != nullptr;
         w = FindWindowExA(HWND_MESSAGE, w, kTrayWindowClass, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == surgepadProcess) {
            owner = w;
            break;
        }
    }
    if (owner == nullptr) {
        return Fail(1, "Surgepad has no tray icon window");
    }
    // The shell reports a click as the press and the release of the button, each as
    // the icon's callback message with the mouse message in lParam.
    if (!PostMessageA(owner, kTrayCallbackMessage, kTrayIconId, down) ||
        !PostMessageA(owner, kTrayCallbackMessage, kTrayIconId, up)) {
        return Fail(1, "posting failed, error " + std::to_string(GetLastError()));
    }
    return 0;
}

}  // namespace korasim
