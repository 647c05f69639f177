#include "sim/powrprof/PowerModeWatch.h"

#include <algorithm>
#include <new>

#include "sim/ExportSupport.h"
#include "sim/powrprof/SystemPower.h"

namespace sim {

class PowerModeWatch::Lock {
public:
    explicit Lock(SRWLOCK* lock) : m_lock(lock) { AcquireSRWLockExclusive(m_lock); }
    ~Lock() { ReleaseSRWLockExclusive(m_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    SRWLOCK* m_lock;
};

namespace {

// The mode in the state; balanced when there is no usable board.
unsigned CurrentMode() {
    unsigned mode = kBalancedPowerMode;
    (void)ModuleSimulator().Run([&](const Board&, SimState& state) {
        mode = state.powerMode;
        return false;
    });
    return mode;
}

}  // namespace

PowerModeWatch& PowerModeWatch::Instance() {
    static PowerModeWatch watch;
    return watch;
}

HRESULT PowerModeWatch::Register(ULONG version, EffectivePowerModeCallback callback, void* context, void** handle) {
    if ((version != kEffectivePowerModeV1 && version != kEffectivePowerModeV2) || callback == nullptr ||
        handle == nullptr) {
        return E_INVALIDARG;
    }
    auto* registration = new (std::nothrow) Registration{version, callback, context, -1};
    if (registration == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT result = S_OK;
    {
        Lock lock(&m_lock);
        try {
            m_registrations.push_back(registration);
        } catch (...) {
            result = E_OUTOFMEMORY;
        }
        if (SUCCEEDED(result) && !m_running) {
            result = StartLocked();
            if (FAILED(result)) {
                m_registrations.pop_back();
            }
        }
        if (SUCCEEDED(result)) {
            // The first call comes from the thread, as the system's comes from one of its
            // own: a caller that holds a lock of its own while it registers cannot deadlock.
            SetEvent(m_wake);
        }
    }
    if (FAILED(result)) {
        delete registration;
        return result;
    }
    *handle = registration;
    return S_OK;
}

HRESULT PowerModeWatch::Unregister(void* handle) {
    Registration* registration = nullptr;
    {
        Lock lock(&m_lock);
        const auto it = std::find(m_registrations.begin(), m_registrations.end(), handle);
        if (handle == nullptr || it == m_registrations.end()) {
            return E_INVALIDARG;
        }
        registration = *it;
        m_registrations.erase(it);
        // A callback in progress on the thread ends before the caller may free its context;
        // the callback itself may unregister (it is on the thread: no wait).
        while (m_calling == registration && GetCurrentThreadId() != m_threadId) {
            SleepConditionVariableSRW(&m_callDone, &m_lock, INFINITE, 0);
        }
        if (m_registrations.empty()) {
            SetEvent(m_wake);  // the thread ends
        }
    }
    delete registration;
    return S_OK;
}

HRESULT PowerModeWatch::StartLocked() {
    const std::string name = PowerModeEventName(GetCurrentProcessId());
    m_changed = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HMODULE module = nullptr;
    const bool pinned = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                           reinterpret_cast<LPCSTR>(&PowerModeWatch::ThreadMain), &module) != FALSE;
    HANDLE thread = nullptr;
    if (m_changed != nullptr && m_wake != nullptr && pinned) {
        thread = CreateThread(nullptr, 0, &PowerModeWatch::ThreadMain, this, 0, &m_threadId);
    }
    const DWORD error = GetLastError();
    if (thread == nullptr) {
        if (pinned) {
            FreeLibrary(module);
        }
        for (HANDLE* event : {&m_changed, &m_wake}) {
            if (*event != nullptr) {
                CloseHandle(*event);
                *event = nullptr;
            }
        }
        return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_NOT_ENOUGH_MEMORY);
    }
    CloseHandle(thread);
    m_module = module;
    m_running = true;
    return S_OK;
}

DWORD WINAPI PowerModeWatch::ThreadMain(void* parameter) {
    static_cast<PowerModeWatch*>(parameter)->Run();
    return 0;  // not reached: Run ends the thread
}

void PowerModeWatch::Run() {
    for (;;) {
        CallBack(CurrentMode());
        AcquireSRWLockExclusive(&m_lock);
        if (m_registrations.empty()) {
            // A registration after this point starts a thread of its own.
            m_running = false;
            m_threadId = 0;
            CloseHandle(m_changed);
            CloseHandle(m_wake);
            m_changed = nullptr;
            m_wake = nullptr;
            HMODULE module = m_module;
            m_module = nullptr;
            ReleaseSRWLockExclusive(&m_lock);
            // Drops this thread's reference and ends it in the system's code: when that was
            // the DLL's last reference, it is unloaded only after the thread left it.
            FreeLibraryAndExitThread(module, 0);
        }
        HANDLE events[2] = {m_changed, m_wake};
        ReleaseSRWLockExclusive(&m_lock);
        // Both events are auto-reset: a change or a registration between the unlock and
        // the wait leaves its event set, and the wait returns at once.
        WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
}

void PowerModeWatch::CallBack(unsigned mode) {
    for (;;) {
        Registration* next = nullptr;
        int told = 0;
        {
            Lock lock(&m_lock);
            for (Registration* r : m_registrations) {
                const int due = static_cast<int>(ModeForVersion(mode, r->version));
                if (r->told != due) {
                    next = r;
                    told = due;
                    break;
                }
            }
            if (next == nullptr) {
                return;
            }
            next->told = told;
            m_calling = next;
        }
        next->callback(told, next->context);
        Lock lock(&m_lock);
        m_calling = nullptr;
        WakeAllConditionVariable(&m_callDone);
    }
}

}  // namespace sim
