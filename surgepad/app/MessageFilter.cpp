#include "surgepad/app/MessageFilter.h"

#include <atomic>

#include "lumen/system/ModuleEntry.h"

namespace surgepad {
namespace {

using ChangeFilterProc = BOOL(WINAPI*)(UINT, DWORD);
using ChangeWindowFilterProc = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
std::atomic<ChangeFilterProc> g_changeFilter{nullptr};
std::atomic<ChangeWindowFilterProc> g_changeWindowFilter{nullptr};
std::atomic<bool> g_looked{false};

}  // namespace

void InitWindowMessageFilter() {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    g_changeFilter = lumen::ProcAddress<ChangeFilterProc>(user32, "ChangeWindowMessageFilter");
    g_changeWindowFilter = lumen::ProcAddress<ChangeWindowFilterProc>(user32, "ChangeWindowMessageFilterEx");
    g_looked = true;
}

bool AllowWindowMessage(UINT message) {
    if (!g_looked) {
        InitWindowMessageFilter();
    }
    ChangeFilterProc proc = g_changeFilter;
    if (proc == nullptr) {
        return true;
    }
    return proc(message, 1 /* MSGFLT_ADD */) != FALSE;
}

bool AllowWindowMessageFor(HWND window, UINT message) {
    if (!g_looked) {
        InitWindowMessageFilter();
    }
    ChangeWindowFilterProc proc = g_changeWindowFilter;
    if (proc == nullptr) {
        return AllowWindowMessage(message);
    }
    return proc(window, message, 1 /* MSGFLT_ALLOW */, nullptr) != FALSE;
}

}  // namespace surgepad
