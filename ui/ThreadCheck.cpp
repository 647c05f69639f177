#include "ui/ThreadCheck.h"

#include <atomic>
#include <mutex>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"

namespace ui {
namespace {

std::atomic<DWORD> g_guiThread{0};
std::mutex g_handlerLock;
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
    const std::lock_guard<std::mutex> hold(g_handlerLock);
    const ThreadViolationHandler previous = g_handler;
    g_handler = handler;
    return previous;
}

void ReportOffGuiThread(const char* operation) {
    ThreadViolationHandler handler;
    {
        const std::lock_guard<std::mutex> hold(g_handlerLock);
        handler = g_handler;
    }
    if (handler) {
        handler(operation);
        return;
    }
    lumen::Trace("ui: %s called off the GUI thread", operation);
#ifndef NDEBUG
    lumen::AssertionFailed("called on the GUI thread", __FILE__, __LINE__);
#endif
}

}  // namespace ui
