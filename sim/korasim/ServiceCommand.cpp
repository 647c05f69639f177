// kora-sim service [--reply N] [--delay MS] [--bytes N]: the board maker's system control
// service. Serves \\.\PIPE\KORA SYSTEM CONTROL PIPE until the process is ended: reads
// each 16-byte request, waits MS milliseconds, answers with the 32-bit word N (default
// 1) in N bytes (default 4: a shorter reply is cut, a longer one padded with zeros) and
// journals "pipe CLASS A1 A2 A3 reply REPLY". A request of another size is not answered.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/korasim/Commands.h"

namespace {

const char kPipePath[] = "\\\\.\\PIPE\\KORA SYSTEM CONTROL PIPE";
constexpr DWORD kBufferSize = 4096;

struct ServiceOptions {
    uint32_t reply = 1;
    uint32_t delayMs = 0;
    uint32_t bytes = 4;
};

HANDLE NewInstance() {
    return CreateNamedPipeA(kPipePath, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
}

// One whole message; a longer one than the buffer is read to its end and reported by
// its full size.
bool ReadRequest(HANDLE pipe, std::vector<uint8_t>* request) {
    request->clear();
    uint8_t chunk[kBufferSize];
    for (;;) {
        DWORD got = 0;
        const BOOL ok = ReadFile(pipe, chunk, sizeof chunk, &got, nullptr);
        request->insert(request->end(), chunk, chunk + got);
        if (ok) {
            return true;
        }
        if (GetLastError() != ERROR_MORE_DATA) {
            return false;
        }
    }
}

uint32_t Word(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);  // the wire is little-endian, like every Windows machine
    return value;
}

void Serve(HANDLE pipe, const ServiceOptions& options) {
    std::vector<uint8_t> request;
    if (!ReadRequest(pipe, &request)) {
        return;
    }
    if (request.size() != 16) {
        std::fprintf(stderr, "kora-sim: service: a request of %u bytes is not answered\n",
                     static_cast<unsigned>(request.size()));
        return;
    }
    if (options.delayMs > 0) {
        Sleep(options.delayMs);
    }
    std::vector<uint8_t> reply(options.bytes, 0);
    for (size_t i = 0; i < 4 && i < reply.size(); ++i) {
        reply[i] = static_cast<uint8_t>(options.reply >> (8 * i));
    }
    // Journaled before the reply goes out: whoever sees the client's result finds the line
    // already there.
    korasim::Journal("pipe " + korasim::Hex(Word(&request[0])) + " " + korasim::Hex(Word(&request[4])) + " " +
                     korasim::Hex(Word(&request[8])) + " " + korasim::Hex(Word(&request[12])) + " reply " +
                     korasim::Hex(options.reply));
    DWORD written = 0;
    if (!WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr)) {
        std::fprintf(stderr, "kora-sim: service: the reply could not be written (error %lu)\n", GetLastError());
        return;
    }
    // The client reads the reply before the instance goes.
    FlushFileBuffers(pipe);
}

}  // namespace

int RunService(int argc, char** argv) {
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return korasim::Fail(2, "service: " + option + " needs a value");
        }
        const std::optional<uint32_t> value = korasim::ParseNumber(argv[++i]);
        if (!value) {
            return korasim::Fail(2, "service: bad number \"" + std::string(argv[i]) + "\" for " + option);
        }
        if (option == "--reply") {
            options.reply = *value;
        } else if (option == "--delay") {
            options.delayMs = *value;
        } else if (option == "--bytes") {
            if (*value > kBufferSize) {
                return korasim::Fail(2, "service: --bytes takes at most 4096");
            }
            options.bytes = *value;
        } else {
            return korasim::Fail(2, "service: unknown option \"" + option + "\"");
        }
    }

    HANDLE pipe = NewInstance();
    if (pipe == INVALID_HANDLE_VALUE) {
        return korasim::Fail(1, "service: cannot create the pipe (error " + std::to_string(GetLastError()) + ")");
    }
    std::printf("kora-sim: serving %s\n", kPipePath);
    std::fflush(stdout);
    for (;;) {
        if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
            CloseHandle(pipe);
            pipe = NewInstance();
            if (pipe == INVALID_HANDLE_VALUE) {
                return korasim::Fail(1,
                                     "service: cannot create the pipe (error " + std::to_string(GetLastError()) + ")");
            }
            continue;
        }
        // The next instance exists before this one is disconnected: a client that comes
        // meanwhile waits for it instead of finding no pipe at all.
        const HANDLE next = NewInstance();
        Serve(pipe, options);
        DisconnectNamedPipe(pipe);
        CloseHandle(pipe);
        if (next == INVALID_HANDLE_VALUE) {
            return korasim::Fail(1, "service: cannot create the pipe (error " + std::to_string(GetLastError()) + ")");
        }
        pipe = next;
    }
}
