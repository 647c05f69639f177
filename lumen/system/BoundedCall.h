#pragma once
// Work that may hang on something another hand controls (a file another account holds
// open, a pipe behind a link) runs on a worker thread while the caller waits a bounded
// time.

#include <windows.h>

#include <functional>

namespace lumen {

// Runs `work` on the process's worker thread and waits at most `timeoutMs` for it.
// False when it did not end in time, or when earlier work still runs there (it hung):
// the work then goes on alone, or does not run at all, so `work` must own (or share)
// everything it touches and tell its result through what it shares. One piece of work
// runs at a time.
[[nodiscard]] bool RunWithin(std::function<void()> work, DWORD timeoutMs);

}  // namespace lumen
