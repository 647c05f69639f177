#pragma once
// A named pipe client. Call() is one complete transaction (connect, write the request,
// read the reply, close) by CallNamedPipeA; failures are written to the debugger
// output, never shown.

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

    // One transaction on \\server\PIPE\name. `waitTime` is how long to wait for a free
    // pipe instance (NMPWAIT_WAIT_FOREVER = without limit). *bytesRead is set even when
    // the call fails (a reply longer than the buffer fails with ERROR_MORE_DATA after
    // filling it).
    [[nodiscard]] bool Call(const std::string& server, const std::string& name, const void* request,
                            uint32_t requestSize, void* response, uint32_t responseSize, uint32_t* bytesRead,
                            uint32_t waitTime);

    // Closes a handle this object holds; an invalid handle is left alone.
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    // "\\server\PIPE\name".
    static std::string FullName(const std::string& server, const std::string& name);

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

}  // namespace lumen
