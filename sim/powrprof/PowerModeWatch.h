#pragma once
// The effective power mode's notifications of the "powrprof.dll" stand-in
// (PowerRegisterForEffectivePowerModeNotifications and its unregistration).
//
// The stand-in lives in the process of the program under test, whose idle wake-ups are
// measured, so it never polls: one thread per process, started with the first
// registration and ended with the last, sleeps on an auto-reset event named
// PowerModeEventName(its process id), which `kora-sim power-mode` sets after it changed
// the mode in the state. The thread then reads the state and calls every callback
// whose caller has not been told the mode yet (a new registration included: Windows
// calls once at registration with the current mode).
//
// The thread holds a reference to this DLL while it runs and ends with
// FreeLibraryAndExitThread: a FreeLibrary while callbacks are registered leaves the DLL
// in place until the last one is unregistered, so no thread ever runs in unloaded code.

#include <windows.h>

#include <vector>

namespace sim {

// EFFECTIVE_POWER_MODE_CALLBACK: the mode is the EFFECTIVE_POWER_MODE enumeration.
using EffectivePowerModeCallback = void(WINAPI*)(int mode, void* context);

class PowerModeWatch {
public:
    static PowerModeWatch& Instance();

    // S_OK, or E_INVALIDARG for a version other than 1 and 2 or a null callback or
    // handle pointer, or the error that kept the thread from starting.
    HRESULT Register(ULONG version, EffectivePowerModeCallback callback, void* context, void** handle);
    // S_OK, or E_INVALIDARG for a handle that is not registered. When it returns, the
    // callback is not running and is not called again (unless it unregisters itself
    // from within the callback, which then simply returns).
    HRESULT Unregister(void* handle);

private:
    struct Registration {
        ULONG version;
        EffectivePowerModeCallback callback;
        void* context;
        long long told;  // the mode the callback was last given; -1 before the first call
    };

    class Lock;

    HRESULT StartLocked();
    static DWORD WINAPI ThreadMain(void* parameter);
    void Run();
    void CallBack(unsigned mode);

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_callDone = CONDITION_VARIABLE_INIT;
    std::vector<Registration*> m_registrations;
    Registration* m_calling = nullptr;  // whose callback the thread is in
    HANDLE m_changed = nullptr;         // set by kora-sim when the mode changed
    HANDLE m_wake = nullptr;            // set at every registration and unregistration
    HMODULE m_module = nullptr;         // this DLL's reference held by the thread
    DWORD m_threadId = 0;
    bool m_running = false;
};

}  // namespace sim
