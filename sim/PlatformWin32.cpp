#include "sim/Platform.h"

#include <windows.h>

#include <cctype>

#include <algorithm>
#include <atomic>
#include <vector>

namespace sim::platform {
namespace {

// Every handle the stand-ins open shares read, write and delete access: a reader must
// never stop another process from renaming a new state file over the old one
// (MoveFileEx fails on a target opened without FILE_SHARE_DELETE).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (valid()) {
            CloseHandle(m_h);
        }
    }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_h; }

private:
    HANDLE m_h;
};

bool WriteAll(HANDLE file, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool WriteNewFile(const std::string& path, const std::string& content) {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && WriteAll(file.get(), content);
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit) {
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    // Only files on a disk: a pipe or a device named as a board could block the reader.
    LARGE_INTEGER size;
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > limit) {
        return std::nullopt;
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), content.data() + done, static_cast<DWORD>(content.size() - done), &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) {
            // The file shrank while we read it: what we have is what there is.
            content.resize(done);
            break;
        }
        done += got;
    }
    return content;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content) {
    const std::string temp =
        path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
    if (!WriteNewFile(temp, content)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    // Another process may hold the target open for a moment (a reader, a virus
    // scanner): the rename then fails with a sharing or access error, which passes.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) {
            break;
        }
        Sleep(2);
    }
    DeleteFileA(temp.c_str());
    return false;
}

bool AppendToFile(const std::string& path, const std::string& data) {
    if (data.size() > 0x7FFFFFFF) {
        return false;
    }
    // FILE_APPEND_DATA without FILE_WRITE_DATA puts each write at the end of the
    // file, but not every file system makes "find the end and write" one step for
    // two processes. A machine-wide mutex (per journal path) makes it so: every
    // process of the simulator holds it around its one write.
    std::string name = "Local\\KoraSimAppend-";
    for (char c : path) {
        name +=
            (c == '\\' || c == '/' || c == ':') ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (name.size() > MAX_PATH) {
        name.resize(MAX_PATH);
    }
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    bool owned = false;
    if (mutex != nullptr) {
        const DWORD wait = WaitForSingleObject(mutex, 10000);
        owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    bool ok = false;
    {
        FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.valid()) {
            DWORD written = 0;
            ok = WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                 written == data.size();
        }
    }
    if (owned) {
        ReleaseMutex(mutex);
    }
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
    return ok;
}

void WriteDebugLine(const std::string& line) {
    OutputDebugStringA((line + "\n").c_str());
}

std::optional<std::string> GetEnvironment(const char* name) {
    std::vector<char> buffer(256);
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return std::nullopt;  // unset, or set to the empty text
        }
        if (n < buffer.size()) {
            return std::string(buffer.data(), n);
        }
        buffer.resize(n);  // n counts the terminating zero when the buffer was too small
    }
}

bool SetEnvironment(const char* name, const char* value) {
    return SetEnvironmentVariableA(name, value) != FALSE;
}

std::string ModuleFolder(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module)) {
        return {};
    }
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        // A truncated name fills the buffer exactly.
        if (n < path.size()) {
            std::string full(path.data(), n);
            const size_t slash = full.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace sim::platform
