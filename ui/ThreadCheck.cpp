#include "ui/ThreadCheck.h"

#include <atomic>
#include <utility>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"

namespace ui {
namespace {

std::atomic<DWORD> g_guiThread{0};
// Set while no other thread runs the framework (a test puts it in place before it
// starts its thread and restores it after the join), so it needs no lock.
ThreadViolationHandler g_handler;

}  // namespace

void SetGuiThread(DWORD threadId) {
    g_guiThread.store(threadId);
}

bool OnGuiThread() {
    const DWORD gui = g_guiThread.load();
    return gui == 0 || gui == GetCurrentThreadId();
}

ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler) {
    return std::exchange(g_handler, handler);
}

void ReportOffGuiThread(const char* operation) {
    if (g_handler) {
        g_handler(operation);
        return;
    }
    lumen::Trace("ui: %s called off the GUI thread", operation);
#ifndef NDEBUG
    lumen::AssertionFailed("called on the GUI thread", __FILE__, __LINE__);
#endif
}

}  // namespace ui
