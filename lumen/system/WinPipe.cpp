#include "lumen/system/WinPipe.h"

#include <algorithm>

#include "lumen/core/Handle.h"
#include "lumen/system/DebugLine.h"

namespace lumen {
namespace {

constexpr ULONGLONG kNoDeadline = 0;

// Milliseconds left before `deadline`: 0 once it has passed, INFINITE without one.
DWORD Remaining(ULONGLONG deadline) {
    if (deadline == kNoDeadline) {
        return INFINITE;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
        return 0;
    }
    return static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
}

}  // namespace

BasicNamedPipe::~BasicNamedPipe() {
    Close();
}

std::string BasicNamedPipe::FullName(const std::string& server, const std::string& name) {
    return "\\\\" + server + "\\PIPE\\" + name;
}

bool BasicNamedPipe::Call(const std::string& server, const std::string& name, const void* request, uint32_t requestSize,
                          void* response, uint32_t responseSize, uint32_t* bytesRead, uint32_t timeoutMs) {
    const ULONGLONG deadline = timeoutMs == INFINITE ? kNoDeadline : GetTickCount64() + timeoutMs;
    DWORD read = 0;
    Close();
    DWORD error = Open(FullName(server, name), deadline);
    if (error == ERROR_SUCCESS) {
        error = Transact(request, requestSize, response, responseSize, &read, deadline);
    }
    Close();
    if (bytesRead != nullptr) {
        *bytesRead = read;
    }
    if (error != ERROR_SUCCESS) {
        DebugLine("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned %d", static_cast<int>(error));
        SetLastError(error);
        return false;
    }
    return true;
}

DWORD BasicNamedPipe::Open(const std::string& path, ULONGLONG deadline) {
    for (;;) {
        // Overlapped, so that a server which never answers cannot hold this thread. At
        // identification level: whoever serves the name (another account's program, if
        // the service is not running) may learn who calls, never act as this user.
        m_handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (m_handle != INVALID_HANDLE_VALUE) {
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_PIPE_BUSY) {
            return error;
        }
        // WaitNamedPipeA takes 0 for the server's default wait, not for "no wait".
        const DWORD remaining = Remaining(deadline);
        if (remaining == 0) {
            return ERROR_SEM_TIMEOUT;
        }
        if (!WaitNamedPipeA(path.c_str(), remaining)) {
            return GetLastError();
        }
        // A free instance was there; another client may still take it first.
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(m_handle, &mode, nullptr, nullptr)) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD BasicNamedPipe::Transact(const void* request, uint32_t requestSize, void* response, uint32_t responseSize,
                               DWORD* read, ULONGLONG deadline) {
    const UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        return GetLastError();
    }
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    // TransactNamedPipe takes the request as a non-const pointer but does not write it.
    if (!TransactNamedPipe(m_handle, const_cast<void*>(request), requestSize, response, responseSize, nullptr,
                           &overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) {
            return error;
        }
    }
    bool cancelled = false;
    if (WaitForSingleObject(event.get(), Remaining(deadline)) != WAIT_OBJECT_0) {
        // This thread started the transaction, so CancelIo reaches it (CancelIoEx needs
        // Vista).
        CancelIo(m_handle);
        cancelled = true;
    }
    // The system owns the buffers until the transaction has completed, cancelled or not.
    if (GetOverlappedResult(m_handle, &overlapped, read, TRUE)) {
        return ERROR_SUCCESS;  // the answer came while the cancel was on its way
    }
    const DWORD error = GetLastError();
    return cancelled && error == ERROR_OPERATION_ABORTED ? ERROR_SEM_TIMEOUT : error;
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
