#include "ui/Thread.h"

#include <process.h>

#include "lumen/core/DebugTrace.h"
#include "ui/Error.h"
#include "ui/Wait.h"

namespace ui {

Thread::Thread() {
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, &Thread::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (h == 0) {
        throw Error("Thread creation error");
    }
    m_handle.reset(reinterpret_cast<HANDLE>(h));
    m_threadId = id;
}

Thread::~Thread() {
    if (!m_started && m_handle) {
        // Never started: let the thread run to an immediate end without the object.
        m_abandoned = true;
        m_started = true;
        ResumeThread(m_handle.get());
        (void)WaitForObject(m_handle.get());
    } else if (!m_freeOnTerminate && m_handle) {
        m_terminated = true;
        (void)WaitForObject(m_handle.get());
    }
}

void Thread::Resume() {
    if (m_started) {
        return;
    }
    m_started = true;
    ResumeThread(m_handle.get());
}

bool Thread::WaitFor(DWORD timeoutMs) {
    if (m_freeOnTerminate || !m_handle) {
        return false;
    }
    return WaitForObject(m_handle.get(), timeoutMs);
}

unsigned __stdcall Thread::ThreadProc(void* param) noexcept {
    auto* self = static_cast<Thread*>(param);
    if (self->m_abandoned) {
        // Destroyed before it was started: the object is going away, touch nothing more.
        return 0;
    }
    try {
        self->Execute();
    } catch (const std::exception& e) {
        lumen::Trace("error: thread %lu: %s", static_cast<unsigned long>(self->m_threadId), e.what());
    } catch (...) {
        lumen::Trace("error: thread %lu: unknown exception", static_cast<unsigned long>(self->m_threadId));
    }
    if (self->OnTerminate) {
        try {
            self->Synchronize([self] { self->OnTerminate(*self); });
        } catch (...) {
            lumen::Trace("error: thread %lu: exception in its completion",
                         static_cast<unsigned long>(self->m_threadId));
        }
    }
    if (self->m_freeOnTerminate) {
        delete self;
    }
    return 0;
}

}  // namespace ui
