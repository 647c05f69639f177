#include "surgepad/turbo/ProcessWatch.h"

#include "lumen/core/DebugTrace.h"

namespace surgepad {

bool ProcessWatch::Watch(DWORD id, lumen::UniqueHandle process) {
    if (Watching(id)) {
        return true;
    }
    if (!process) {
        return false;
    }
    auto wait = std::make_unique<Wait>(Wait{this, id, std::move(process)});
    if (!RegisterWaitForSingleObject(&wait->registration, wait->process.get(), &ProcessWatch::Ended, wait.get(),
                                     INFINITE, WT_EXECUTEONLYONCE)) {
        lumen::Trace("process watch: process %lu cannot be waited on, error %lu", static_cast<unsigned long>(id),
                     GetLastError());
        return false;
    }
    m_waits.emplace(id, std::move(wait));
    return true;
}

void ProcessWatch::Forget(DWORD id) {
    const auto found = m_waits.find(id);
    if (found != m_waits.end()) {
        Unregister(*found->second);
        m_waits.erase(found);
    }
}

std::vector<DWORD> ProcessWatch::Ids() const {
    std::vector<DWORD> ids;
    for (const auto& [id, wait] : m_waits) {
        ids.push_back(id);
    }
    return ids;
}

void ProcessWatch::ForgetAll() {
    for (auto& [id, wait] : m_waits) {
        Unregister(*wait);
    }
    m_waits.clear();
}

void ProcessWatch::Unregister(Wait& wait) {
    if (wait.registration != nullptr) {
        // INVALID_HANDLE_VALUE: returns once a callback that already runs has ended, so
        // the wait's record can go. The callback only posts, so this never waits long.
        UnregisterWaitEx(wait.registration, INVALID_HANDLE_VALUE);
        wait.registration = nullptr;
    }
}

void CALLBACK ProcessWatch::Ended(void* context, BOOLEAN) {
    const auto* wait = static_cast<const Wait*>(context);
    PostMessageA(wait->owner->m_window, wait->owner->m_message, static_cast<WPARAM>(wait->id), 0);
}

}  // namespace surgepad
