#include "ui/Wait.h"

#include "ui/Application.h"

namespace ui {

bool WaitForObject(HANDLE object, DWORD timeoutMs) {
    if (object == nullptr) {
        return false;
    }
    if (GetCurrentThreadId() != App().GuiThreadId()) {
        return WaitForSingleObject(object, timeoutMs) == WAIT_OBJECT_0;
    }
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG spent = GetTickCount64() - start;
            remaining = spent >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - spent);
        }
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &object, remaining, QS_SENDMESSAGE, 0);
        if (r == WAIT_OBJECT_0) {
            return true;
        }
        if (r != WAIT_OBJECT_0 + 1) {
            return false;  // timed out or failed
        }
        // Peeking for sent messages calls their window procedures; nothing is removed.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace ui
