#pragma once
// A named pipe client. Call() is one complete transaction (connect, write the request,
// read the reply, close) that ends within the time it is given, whatever the server
// does; failures are written to the debugger output, never shown.

#include <windows.h>

#include <cstdint>
#include <string>

namespace lumen {

class BasicNamedPipe {
public:
    BasicNamedPipe() = default;
    BasicNamedPipe(const BasicNamedPipe&) = delete;
    BasicNamedPipe& operator=(const BasicNamedPipe&) = delete;
    ~BasicNamedPipe();

    // One transaction on \\server\PIPE\name, over within `timeoutMs` (INFINITE: without
    // limit) counted from the call: the wait for a free instance, the request and the
    // reply all share it. A server that takes the request and never answers, or a
    // client that keeps the only instance, ends it with ERROR_SEM_TIMEOUT. *bytesRead is
    // set even when the call fails (a reply longer than the buffer fails with
    // ERROR_MORE_DATA after filling it).
    [[nodiscard]] bool Call(const std::string& server, const std::string& name, const void* request,
                            uint32_t requestSize, void* response, uint32_t responseSize, uint32_t* bytesRead,
                            uint32_t timeoutMs);

    // Closes a handle this object holds; an invalid handle is left alone.
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    // "\\server\PIPE\name".
    static std::string FullName(const std::string& server, const std::string& name);

private:
    // Connects to a free instance before `deadline` (GetTickCount64; 0: none); the
    // system error on failure.
    DWORD Open(const std::string& path, ULONGLONG deadline);
    // Request and reply on the open handle; the system error on failure.
    DWORD Transact(const void* request, uint32_t requestSize, void* response, uint32_t responseSize, DWORD* read,
                   ULONGLONG deadline);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace lumen
