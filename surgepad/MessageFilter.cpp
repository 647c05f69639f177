#include "surgepad/MessageFilter.h"

#include <atomic>

#include "lumen/system/ModuleEntry.h"

namespace surgepad {
namespace {

using ChangeFilterProc = BOOL(WINAPI*)(UINT, DWORD);
std::atomic<ChangeFilterProc> g_changeFilter{nullptr};
std::atomic<bool> g_looked{false};

}  // namespace

void InitWindowMessageFilter() {
    g_changeFilter = lumen::ProcAddress<ChangeFilterProc>(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilter");
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
