#include "sim/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sim::platform {
namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    bool valid() const { return m_fd >= 0; }
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, size_t limit) {
    // O_NONBLOCK: a FIFO named as a board must not block the caller; only regular
    // files are read (the flag does not matter for them).
    Fd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info;
    if (!file.valid() || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > limit) {
        return std::nullopt;
    }
    std::string content(static_cast<size_t>(info.st_size), '\0');
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = read(file.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            content.resize(done);
            break;
        }
        done += static_cast<size_t>(n);
    }
    return content;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& content) {
    const std::string temp =
        path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(g_tempCounter.fetch_add(1));
    bool written;
    {
        Fd file(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        written = file.valid() && WriteAll(file.get(), content);
    }
    if (written && rename(temp.c_str(), path.c_str()) == 0) {
        return true;
    }
    unlink(temp.c_str());
    return false;
}

bool AppendToFile(const std::string& path, const std::string& data) {
    Fd file(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!file.valid()) {
        return false;
    }
    ssize_t n;
    do {
        n = write(file.get(), data.data(), data.size());
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(data.size());
}

void WriteDebugLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

std::optional<std::string> GetEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

bool SetEnvironment(const char* name, const char* value) {
    return (value == nullptr ? unsetenv(name) : setenv(name, value, 1)) == 0;
}

std::string ModuleFolder(const void* /*address*/) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    const std::string full(path, static_cast<size_t>(n));
    const size_t slash = full.rfind('/');
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

}  // namespace sim::platform
