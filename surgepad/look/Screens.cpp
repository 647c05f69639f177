#include "surgepad/look/Screens.h"

#include <shellapi.h>

#include "ui/Scale.h"

namespace surgepad {
namespace {

lumen::Rect ToRect(const RECT& r) {
    return lumen::Rect{r.left, r.top, r.right, r.bottom};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& state = *reinterpret_cast<ScreenState*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        MonitorPlace place{ToRect(info.rcMonitor), ToRect(info.rcWork), ui::MonitorDpi(monitor)};
        if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
            state.monitors.insert(state.monitors.begin(), place);
        } else {
            state.monitors.push_back(place);
        }
    }
    return TRUE;
}

TaskbarEdge EdgeFrom(UINT edge) {
    switch (edge) {
        case ABE_TOP:
            return TaskbarEdge::Top;
        case ABE_LEFT:
            return TaskbarEdge::Left;
        case ABE_RIGHT:
            return TaskbarEdge::Right;
        default:
            return TaskbarEdge::Bottom;
    }
}

// The rectangle of the window in front. The desktop and the taskbar in front are no
// window in front.
std::optional<lumen::Rect> ForegroundRect(HWND ignore) {
    HWND front = GetForegroundWindow();
    char cls[32] = {};
    if (front != nullptr) {
        GetClassNameA(front, cls, sizeof cls);
    }
    const bool shell = front == GetShellWindow() || front == GetDesktopWindow() ||
                       lstrcmpiA(cls, "Shell_TrayWnd") == 0 || lstrcmpiA(cls, "Progman") == 0 ||
                       lstrcmpiA(cls, "WorkerW") == 0;
    RECT r{};
    if (front != nullptr && front != ignore && !shell && IsWindowVisible(front) && !IsIconic(front) &&
        GetWindowRect(front, &r)) {
        return ToRect(r);
    }
    return std::nullopt;
}

// The system's word on a full-screen program in front (Vista on; bound at run time).
std::optional<QUERY_USER_NOTIFICATION_STATE> SystemNotificationState() {
    using QueryProc = HRESULT(WINAPI*)(QUERY_USER_NOTIFICATION_STATE*);
    static const auto query = [] {
        HMODULE shell = GetModuleHandleA("shell32.dll");
        return shell != nullptr ? reinterpret_cast<QueryProc>(
                                      reinterpret_cast<void*>(GetProcAddress(shell, "SHQueryUserNotificationState")))
                                : nullptr;
    }();
    QUERY_USER_NOTIFICATION_STATE state{};
    if (query == nullptr || query(&state) != S_OK) {
        return std::nullopt;
    }
    return state;
}

}  // namespace

bool FullScreenOn(const lumen::Rect& area) {
    const std::optional<QUERY_USER_NOTIFICATION_STATE> state = SystemNotificationState();
    if (state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE) {
        return true;
    }
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    if (state == QUNS_BUSY && GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary) &&
        ToRect(primary.rcMonitor) == area) {
        return true;
    }
    HWND front = GetForegroundWindow();
    const std::optional<lumen::Rect> rect = ForegroundRect(nullptr);
    return rect && FullScreenApplicationOn(*rect, IsZoomed(front) != FALSE, area);
}

ScreenState ReadScreens(HWND ignore) {
    ScreenState state;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&state));
    if (state.monitors.empty()) {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        (void)SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        state.monitors.push_back(MonitorPlace{
            {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, ToRect(work), ui::SystemDpi()});
    }
    state.foreground = ForegroundRect(ignore);
    POINT pointer{};
    if (GetCursorPos(&pointer)) {
        state.pointer = lumen::Point{pointer.x, pointer.y};
    }
    APPBARDATA bar{};
    bar.cbSize = sizeof bar;
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &bar) != 0 && !IsRectEmpty(&bar.rc)) {
        const lumen::Rect rect = ToRect(bar.rc);
        state.taskbarMonitor = surgepad::MonitorInView(state.monitors, rect, lumen::Point{rect.left, rect.top});
        state.taskbarEdge = EdgeFrom(bar.uEdge);
    }
    return state;
}

MonitorPlace MonitorInView(HWND ignore) {
    const ScreenState state = ReadScreens(ignore);
    return state.monitors[surgepad::MonitorInView(state.monitors, state.foreground, state.pointer)];
}

}  // namespace surgepad
