#pragma once
// Receives "WM_KORA_BROADCAST_MESSAGE" as the board maker's utilities do: with a
// top-level window. The code under test runs on a thread of a private desktop of its
// own, because a broadcast reaches every top-level window of the desktop, and the
// tests of other processes of the prefix must neither see ours nor send us theirs.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace testutil {

using BroadcastList = std::vector<std::pair<uint32_t, uint32_t>>;  // (wParam, lParam)

class BroadcastCatcher {
public:
    // Runs `action` on a thread of the private desktop that also owns a receiving
    // top-level window, then collects what that window received until 300 ms pass
    // without a broadcast. Returns the broadcasts in order.
    static BroadcastList Run(const std::function<void()>& action) {
        BroadcastList received;
        std::thread worker([&] {
            // A handle of its own for each thread: Wine closes a thread's desktop handle
            // when the thread ends. Made on the first call, opened on later ones.
            const HDESK desktop = CreateDesktopA("surgepad-test-broadcasts", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            ASSERT_NE(nullptr, desktop) << GetLastError();
            ASSERT_TRUE(SetThreadDesktop(desktop)) << GetLastError();
            State state;
            state.message = RegisterWindowMessageA("WM_KORA_BROADCAST_MESSAGE");
            const HWND window = CreateReceiver(&state);
            ASSERT_NE(nullptr, window) << GetLastError();
            action();
            size_t seen = 0;
            DWORD quietSince = GetTickCount();
            while (GetTickCount() - quietSince < 300) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    DispatchMessageA(&msg);
                }
                if (state.received.size() != seen) {
                    seen = state.received.size();
                    quietSince = GetTickCount();
                }
                Sleep(10);
            }
            DestroyWindow(window);
            received = state.received;
        });
        worker.join();
        return received;
    }

private:
    struct State {
        UINT message = 0;
        BroadcastList received;
    };

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        }
        auto* state = reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (state != nullptr && message == state->message) {
            state->received.emplace_back(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    static HWND CreateReceiver(State* state) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SurgepadTestBroadcastReceiver";
        RegisterClassA(&windowClass);  // already registered by an earlier test: fine
        // Hidden and top-level: broadcasts never reach message-only windows.
        return CreateWindowExA(0, windowClass.lpszClassName, "broadcast receiver", WS_POPUP, 0, 0, 1, 1, nullptr,
                               nullptr, windowClass.hInstance, state);
    }
};

}  // namespace testutil
