#include "lumen/system/BoundedCall.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "lumen/core/Handle.h"

namespace lumen {
namespace {

// A thread made once: making one per call costs more than the work.
class Worker {
public:
    Worker()
        : m_start(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          m_thread(m_start ? CreateThread(nullptr, 0, &Worker::Loop, this, 0, nullptr) : nullptr) {}

    bool Run(std::function<void()> work, DWORD timeoutMs) {
        const std::lock_guard<std::mutex> lock(m_submit);
        auto job = std::make_shared<Job>();
        job->work = std::move(work);
        job->done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!m_thread || !job->done || m_busy.exchange(true)) {
            return false;
        }
        m_job = job;
        SetEvent(m_start.get());
        return WaitForSingleObject(job->done.get(), timeoutMs) == WAIT_OBJECT_0;
    }

private:
    // Each piece of work with the event of its own end, so that a late end of work
    // given up on never passes for the end of later work.
    struct Job {
        std::function<void()> work;
        UniqueHandle done;
    };

    static DWORD WINAPI Loop(void* parameter) noexcept {
        auto* self = static_cast<Worker*>(parameter);
        while (WaitForSingleObject(self->m_start.get(), INFINITE) == WAIT_OBJECT_0) {
            const std::shared_ptr<Job> job = std::move(self->m_job);
            try {
                job->work();
            } catch (...) {
                // The caller learns of a failure through what the work shares.
            }
            job->work = nullptr;
            self->m_busy = false;
            SetEvent(job->done.get());
        }
        return 0;
    }

    std::mutex m_submit;
    std::atomic<bool> m_busy{false};
    std::shared_ptr<Job> m_job;
    UniqueHandle m_start;
    UniqueHandle m_thread;
};

}  // namespace

bool RunWithin(std::function<void()> work, DWORD timeoutMs) {
    static auto* const worker = new Worker;
    return worker->Run(std::move(work), timeoutMs);
}

}  // namespace lumen
