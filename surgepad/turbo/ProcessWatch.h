#pragma once
// Waits on processes without a thread of its own and without waking up: the system's
// thread pool waits on each handle (SYNCHRONIZE is all it needs, which even protected
// games allow) and the end is posted to a window of the GUI thread.

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "lumen/core/Handle.h"

namespace surgepad {

class ProcessWatch {
public:
    // Each end is posted as `message` with the process's id in wParam to `window`.
    ProcessWatch(HWND window, UINT message) : m_window(window), m_message(message) {}
    ~ProcessWatch() { ForgetAll(); }
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    // Watches `process` (kept open until forgotten) under `id`; false when the system
    // refuses the wait. A process watched already keeps its first wait.
    [[nodiscard]] bool Watch(DWORD id, lumen::UniqueHandle process);
    bool Watching(DWORD id) const { return m_waits.count(id) != 0; }
    // Stops waiting (also after the end was posted); waits for a callback that runs.
    void Forget(DWORD id);
    void ForgetAll();
    std::vector<DWORD> Ids() const;

private:
    struct Wait {
        ProcessWatch* owner;
        DWORD id;
        lumen::UniqueHandle process;
        HANDLE registration = nullptr;
    };
    static void CALLBACK Ended(void* context, BOOLEAN timedOut);
    void Unregister(Wait& wait);

    HWND m_window;
    UINT m_message;
    std::map<DWORD, std::unique_ptr<Wait>> m_waits;
};

}  // namespace surgepad
