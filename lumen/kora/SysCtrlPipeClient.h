#pragma once
// The client of the board maker's system control service: one 16-byte request per
// turbo switch, carried by a short-lived worker thread while the caller waits at most
// 10 s. One request at a time in the whole process. The worker gives up a little
// before its caller does, whatever the service does, so a service that never answers
// holds up only the request that met it.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "lumen/kora/SysCtrlPipeClientMessage.h"
#include "lumen/system/WinPipe.h"

namespace kora {

// What one request sends and gets back. Each request has its own, shared by the caller
// and its worker, so a worker that answers after the caller gave up writes only here.
struct SysCtrlTransaction {
    SysCtrlRequestBytes request{};
    std::vector<uint8_t> response = std::vector<uint8_t>(kSysCtrlResponseSize);
    uint32_t bytesRead = 0;
    bool success = false;
    bool timedOut = false;  // the pipe call ran out of time: no free instance, or no answer
};

class SysCtrlPipeClient {
public:
    static constexpr DWORD kWaitMilliseconds = 10000;
    // The worker's own bound for the whole pipe call: it has ended, and given the free
    // flag back, by the time its caller stops waiting.
    static constexpr DWORD kCallMilliseconds = 9000;

    // The process-wide client, made on first use and never destroyed.
    static SysCtrlPipeClient& Instance();

    SysCtrlPipeClient();
    SysCtrlPipeClient(const SysCtrlPipeClient&) = delete;
    SysCtrlPipeClient& operator=(const SysCtrlPipeClient&) = delete;

    // Sends (0x80000000, first, second, third); true when the service accepted it.
    // Refused at once while an earlier request of the process is still running.
    [[nodiscard]] bool Request(uint32_t first, uint32_t second, uint32_t third);

    // The last request that finished in time: the pipe call's success, the bytes read
    // and the reply buffer.
    bool LastCallSucceeded() const { return m_success; }
    uint32_t LastBytesRead() const { return m_bytesRead; }
    const std::vector<uint8_t>& LastResponse() const { return m_response; }

    // False while a request is running (its worker ends within kCallMilliseconds).
    static bool IsIdle();

private:
    bool m_success = false;
    std::vector<uint8_t> m_response;
    uint32_t m_bytesRead = 0;
};

// The worker of one request. It owns itself: Start() hands it to a new thread, which
// deletes it when the call is done.
class SysCtrlPipeClientThread {
public:
    // Returns the thread's handle (the caller closes it), or null when no thread could
    // be made; then nothing runs and the caller still owns the free flag.
    static HANDLE Start(std::shared_ptr<SysCtrlTransaction> transaction);

private:
    explicit SysCtrlPipeClientThread(std::shared_ptr<SysCtrlTransaction> transaction);
    static unsigned __stdcall ThreadProc(void* self) noexcept;
    void Execute();

    std::shared_ptr<SysCtrlTransaction> m_transaction;
    lumen::BasicNamedPipe m_pipe;
};

}  // namespace kora
