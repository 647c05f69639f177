// Keeps the test prefix's desktops open for a whole suite run.
//
// Wine runs one "explorer.exe /desktop" per desktop. The first program that makes a
// window on a desktop starts it, and it inherits that program's standard output. It
// ends about a second after the last program leaves the desktop, so while tests keep
// following one another on it, the explorer started by one test holds that test's
// output pipe open long after the test has ended, and CTest waits for the pipe. This
// program makes a hidden window on the default desktop and on the private desktop of
// the broadcast tests first (its own output goes nowhere), and stays until killed, so
// neither desktop ever closes and no explorer is started by a test.
//
//   desktop_keeper READY_FILE    writes READY_FILE once both windows exist
#include <windows.h>

#include <cstdio>

namespace {

// The private desktop of BroadcastCatcher.h.
constexpr char kBroadcastDesktop[] = "surgepad-test-broadcasts";

HWND MakeHiddenWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SurgepadTestDesktopKeeper";
    RegisterClassA(&windowClass);  // fails harmlessly on the second thread
    return CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

void PumpForever() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
}

DWORD WINAPI BroadcastDesktopThread(void* ready) {
    const HDESK desktop = CreateDesktopA(kBroadcastDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr || !SetThreadDesktop(desktop) || MakeHiddenWindow() == nullptr) {
        std::fprintf(stderr, "desktop_keeper: no window on %s (%lu)\n", kBroadcastDesktop, GetLastError());
        return 1;
    }
    SetEvent(static_cast<HANDLE>(ready));
    PumpForever();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: desktop_keeper READY_FILE\n");
        return 2;
    }
    if (MakeHiddenWindow() == nullptr) {
        std::fprintf(stderr, "desktop_keeper: no window on the default desktop (%lu)\n", GetLastError());
        return 1;
    }
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = CreateThread(nullptr, 0, &BroadcastDesktopThread, ready, 0, nullptr);
    const HANDLE waits[] = {ready, thread};
    if (thread == nullptr || WaitForMultipleObjects(2, waits, FALSE, 10000) != WAIT_OBJECT_0) {
        return 1;
    }
    if (FILE* file = std::fopen(argv[1], "w")) {
        std::fputs("ready\n", file);
        std::fclose(file);
    }
    PumpForever();
    return 0;
}
