#include "lumen/system/WinPipe.h"

#include "lumen/system/DebugLine.h"

namespace lumen {

BasicNamedPipe::~BasicNamedPipe() {
    Close();
}

std::string BasicNamedPipe::FullName(const std::string& server, const std::string& name) {
    return "\\\\" + server + "\\PIPE\\" + name;
}

bool BasicNamedPipe::Call(const std::string& server, const std::string& name, const void* request, uint32_t requestSize,
                          void* response, uint32_t responseSize, uint32_t* bytesRead, uint32_t waitTime) {
    const std::string path = FullName(server, name);
    DWORD read = 0;
    // CallNamedPipeA takes the request as a non-const pointer but does not write it.
    const BOOL ok =
        CallNamedPipeA(path.c_str(), const_cast<void*>(request), requestSize, response, responseSize, &read, waitTime);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (bytesRead != nullptr) {
        *bytesRead = read;
    }
    if (!ok) {
        DebugLine("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned %d", static_cast<int>(error));
        SetLastError(error);
        return false;
    }
    return true;
}

void BasicNamedPipe::Close() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    if (!CloseHandle(m_handle)) {
        DebugLine("[BasicNamedPipe::Close] failed! GetLastError returned %d", static_cast<int>(GetLastError()));
    }
    m_handle = INVALID_HANDLE_VALUE;
}

}  // namespace lumen
