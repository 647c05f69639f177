#pragma once
// Windows and controls belong to the thread that made the application: their
// operations run there and nowhere else. Like a thread checker, the framework checks
// this at its entry points. A call from another thread is a fault of the caller: debug
// builds stop at it, release builds leave a trace line ("... called off the GUI
// thread") that the end-to-end runs look for.

#include <windows.h>

#include "lumen/core/Callback.h"

namespace ui {

// The GUI thread is the one that initialised the application (0 until then: every
// thread passes).
void SetGuiThread(DWORD threadId);
bool OnGuiThread();

// Who hears of a call made off the GUI thread; tests put their own in place. Returns
// the handler it replaces (empty: the default report).
using ThreadViolationHandler = lumen::Callback<const char*>;
ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler);
void ReportOffGuiThread(const char* operation);

}  // namespace ui

#define UI_EXPECT_GUI_THREAD() (::ui::OnGuiThread() ? static_cast<void>(0) : ::ui::ReportOffGuiThread(__func__))
