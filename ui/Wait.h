#pragma once
// The one wait of the framework. On the GUI thread it keeps handling messages that
// other threads send (SendMessage is synchronous: a worker that hands a step to the
// GUI thread blocks until the GUI thread takes it), so a GUI thread waiting for such a
// worker can never deadlock with it. Queued (posted) messages stay queued.

#include <windows.h>

namespace ui {

// True when `object` was signalled within `timeoutMs` (INFINITE waits for ever).
[[nodiscard]] bool WaitForObject(HANDLE object, DWORD timeoutMs = INFINITE);

}  // namespace ui
