#include "surgepad/MessageFilter.h"

#include <atomic>

namespace surgepad {
namespace {

using ChangeFilterProc = BOOL(WINAPI*)(UINT, DWORD);
std::atomic<ChangeFilterProc> g_changeFilter{nullptr};
std::atomic<bool> g_looked{false};

}  // namespace

void InitWindowMessageFilter() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ChangeFilterProc proc = nullptr;
    if (user32 != nullptr) {
        proc = reinterpret_cast<ChangeFilterProc>(
            reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
    }
    g_changeFilter = proc;
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

}  // namespace surgepad
