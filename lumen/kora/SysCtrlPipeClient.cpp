#include "lumen/kora/SysCtrlPipeClient.h"

#include <process.h>

#include <atomic>

#include "lumen/system/DebugLine.h"

namespace kora {
namespace {

// 1 while no request runs. Taken by exchange with 0; given back by the worker when its
// call returns, which is within kCallMilliseconds.
std::atomic<uint32_t> g_free{1};

}  // namespace

SysCtrlPipeClient& SysCtrlPipeClient::Instance() {
    static SysCtrlPipeClient* const instance = new SysCtrlPipeClient;
    return *instance;
}

SysCtrlPipeClient::SysCtrlPipeClient() : m_response(kSysCtrlResponseSize) {}

bool SysCtrlPipeClient::IsIdle() {
    return g_free.load() == 1;
}

bool SysCtrlPipeClient::Request(uint32_t first, uint32_t second, uint32_t third) {
    if (g_free.exchange(0) != 1) {
        lumen::DebugLine("CallSysCtrlService Failed, the previous request is not completed yet.");
        return false;
    }
    m_success = false;
    m_bytesRead = 0;

    auto transaction = std::make_shared<SysCtrlTransaction>();
    transaction->request = EncodeSysCtrlRequest(first, second, third);
    const HANDLE thread = SysCtrlPipeClientThread::Start(transaction);
    if (thread == nullptr) {
        lumen::DebugLine("CallSysCtrlService Failed, the worker thread could not be started, GetLastError returned %d",
                         static_cast<int>(GetLastError()));
        g_free.store(1);
        return false;
    }
    const DWORD wait = WaitForSingleObject(thread, kWaitMilliseconds);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0 || transaction->timedOut) {
        // A worker still running (only when the machine stalled it) goes on with its own
        // transaction; this client keeps the results of the last request that finished
        // in time.
        lumen::DebugLine("CallSysCtrlService Failed, Waiting error or Timeout.");
        return false;
    }
    m_success = transaction->success;
    m_bytesRead = transaction->bytesRead;
    m_response = transaction->response;
    return SysCtrlReplyAccepted(m_response.data(), m_bytesRead);
}

HANDLE SysCtrlPipeClientThread::Start(std::shared_ptr<SysCtrlTransaction> transaction) {
    auto* worker = new SysCtrlPipeClientThread(std::move(transaction));
    unsigned id = 0;
    const uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadProc, worker, CREATE_SUSPENDED, &id);
    if (handle == 0) {
        delete worker;
        return nullptr;
    }
    const HANDLE thread = reinterpret_cast<HANDLE>(handle);
    ResumeThread(thread);
    return thread;
}

SysCtrlPipeClientThread::SysCtrlPipeClientThread(std::shared_ptr<SysCtrlTransaction> transaction)
    : m_transaction(std::move(transaction)) {}

unsigned __stdcall SysCtrlPipeClientThread::ThreadProc(void* self) noexcept {
    auto* worker = static_cast<SysCtrlPipeClientThread*>(self);
    worker->Execute();
    delete worker;
    return 0;
}

void SysCtrlPipeClientThread::Execute() {
    SysCtrlTransaction& t = *m_transaction;
    uint32_t read = 0;
    t.success =
        m_pipe.Call(".", kSysCtrlPipeName, t.request.data(), static_cast<uint32_t>(t.request.size()), t.response.data(),
                    static_cast<uint32_t>(t.response.size()), &read, SysCtrlPipeClient::kCallMilliseconds);
    t.timedOut = !t.success && GetLastError() == ERROR_SEM_TIMEOUT;
    t.bytesRead = read;
    g_free.store(1);
    m_pipe.Close();
}

}  // namespace kora
