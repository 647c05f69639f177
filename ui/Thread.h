#pragma once
// A worker thread of the framework: created suspended, started with Resume, and
// optionally freeing itself when Execute has returned. Steps that touch windows are
// handed to the GUI thread with Synchronize, which waits until the step has run.

#include <windows.h>

#include <atomic>

#include "lumen/core/Handle.h"
#include "ui/Application.h"
#include "ui/Callback.h"

namespace ui {

class Thread {
public:
    Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    virtual ~Thread();

    // Starts the thread. A free-on-terminate thread must not be touched afterwards.
    void Resume();
    void SetFreeOnTerminate(bool free) { m_freeOnTerminate = free; }
    bool FreeOnTerminate() const { return m_freeOnTerminate; }
    // Asks Execute to stop; Execute polls Terminated().
    void Terminate() { m_terminated = true; }
    // Waits for the end of Execute (not for free-on-terminate threads). On the GUI
    // thread, steps the thread hands over meanwhile still run.
    bool WaitFor(DWORD timeoutMs = INFINITE);
    DWORD ThreadId() const { return m_threadId; }

    // Runs on the GUI thread after Execute has returned (also for free threads).
    Callback<Thread&> OnTerminate;

protected:
    virtual void Execute() = 0;
    bool Terminated() const { return m_terminated; }

    // Runs `step` on the GUI thread and waits for it.
    template <class F>
    bool Synchronize(F&& step) {
        return App().Synchronize(std::forward<F>(step));
    }

private:
    static unsigned __stdcall ThreadProc(void* self) noexcept;

    lumen::UniqueHandle m_handle;
    DWORD m_threadId = 0;
    bool m_started = false;
    bool m_freeOnTerminate = false;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_abandoned{false};
};

}  // namespace ui
