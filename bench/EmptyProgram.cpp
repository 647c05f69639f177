// The baseline of the benchmarks: the smallest Win32 program with one hidden
// top-level window and a message loop, built like Surgepad (static runtime).
#include <windows.h>

namespace {
LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "SurgepadBenchEmpty";
    RegisterClassA(&wc);
    CreateWindowExA(0, wc.lpszClassName, "SurgepadBenchEmpty", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, instance,
                    nullptr);
    OutputDebugStringA("empty: running\n");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
