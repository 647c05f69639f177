// The system control pipe client against kora-sim.exe's stand-in of the service: the
// results and debug lines for every answer and fault, never a wait beyond 10 s.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lumen/core/Handle.h"

#include "lumen/kora/SysCtrlPipeClient.h"
#include "lumen/system/WinPipe.h"
#include "tests/helpers/ImportPatch.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr const char* kPipeName = testutil::SimService::kPipeName;
const char kCallFailedAbsent[] = "[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 2\r\n";
const char kPrevious[] = "CallSysCtrlService Failed, the previous request is not completed yet.\r\n";
const char kTimeout[] = "CallSysCtrlService Failed, Waiting error or Timeout.\r\n";
const char kCallTimedOut[] = "[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 121\r\n";

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

uint32_t FirstWord(const std::vector<uint8_t>& response) {
    return static_cast<uint32_t>(response[0]) | static_cast<uint32_t>(response[1]) << 8 |
           static_cast<uint32_t>(response[2]) << 16 | static_cast<uint32_t>(response[3]) << 24;
}

// Each test owns the one pipe name of the service: tests of other processes wait.
class PipeTest : public testing::Test {
protected:
    void SetUp() override { m_service.ExpectFree(); }

    void TearDown() override {
        StopService();
        // A request whose caller gave up may still be running; the next test starts clean.
        for (int i = 0; i < 300 && !kora::SysCtrlPipeClient::IsIdle(); ++i) {
            Sleep(50);
        }
        EXPECT_TRUE(kora::SysCtrlPipeClient::IsIdle());
    }

    // Starts `kora-sim service ARGS` and waits until its pipe is there.
    void StartService(const std::string& arguments) { m_service.Start(arguments, m_folder / "service.txt"); }
    void StopService() { m_service.Stop(); }

    std::vector<std::string> Journal() const { return testutil::ReadLines(m_folder / "journal.txt"); }

    testutil::SimService m_service;  // first: its lock before anything else
    testutil::ScratchFolder m_folder{"pipe"};
    testutil::ScopedEnvironment m_journal{"KORA_SIM_JOURNAL", m_folder / "journal.txt"};
    testutil::DebugOutputCapture m_debug;
};

TEST_F(PipeTest, AcceptedRequestsAreTrueAndReachTheService) {
    StartService("");
    kora::SysCtrlPipeClient client;
    EXPECT_TRUE(client.Request(kora::kSysCtrlTurboOn, 0, 0));
    EXPECT_TRUE(client.LastCallSucceeded());
    EXPECT_EQ(4u, client.LastBytesRead());
    EXPECT_TRUE(client.Request(kora::kSysCtrlTurboOff, 0, 0));
    EXPECT_THAT(Journal(), ElementsAre("pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000001",
                                       "pipe 0x80000000 0x00000001 0x00000000 0x00000000 reply 0x00000001"));
    EXPECT_THAT(m_debug.Take(), IsEmpty());
}

TEST_F(PipeTest, ServiceAnsweringZeroIsARefusal) {
    StartService("--reply 0");
    kora::SysCtrlPipeClient client;
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_TRUE(client.LastCallSucceeded());
    EXPECT_EQ(0u, FirstWord(client.LastResponse()));
    EXPECT_THAT(Journal(), ElementsAre("pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000000"));
    EXPECT_THAT(m_debug.Take(), IsEmpty());
}

TEST_F(PipeTest, TwoByteAnswerAcceptsNothing) {
    kora::SysCtrlPipeClient client;
    // A full answer first, so that the buffer holds a 1 a short answer could borrow from.
    StartService("");
    ASSERT_TRUE(client.Request(0, 0, 0));
    StartService("--reply 1 --bytes 2");
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_EQ(2u, client.LastBytesRead());
    EXPECT_THAT(m_debug.Take(), IsEmpty());
}

TEST_F(PipeTest, AbsentServiceFailsAtOnceWithThePipeLayersLine) {
    kora::SysCtrlPipeClient client;
    const auto start = Clock::now();
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_LT(MillisecondsSince(start), 5000) << "no service means no waiting";
    EXPECT_THAT(m_debug.Take(), ElementsAre(kCallFailedAbsent));
    EXPECT_TRUE(kora::SysCtrlPipeClient::IsIdle());
}

TEST_F(PipeTest, SecondRequestWhileOneIsPendingIsRefusedAtOnce) {
    StartService("--delay 3000");
    kora::SysCtrlPipeClient client;
    bool firstResult = false;
    std::thread first([&] { firstResult = client.Request(0, 0, 0); });
    for (int i = 0; i < 200 && kora::SysCtrlPipeClient::IsIdle(); ++i) {
        Sleep(10);
    }
    ASSERT_FALSE(kora::SysCtrlPipeClient::IsIdle());

    kora::SysCtrlPipeClient other;
    const auto start = Clock::now();
    EXPECT_FALSE(other.Request(1, 0, 0));
    EXPECT_LT(MillisecondsSince(start), 1000);
    first.join();
    EXPECT_TRUE(firstResult);
    EXPECT_THAT(m_debug.Take(), ElementsAre(kPrevious));
    EXPECT_THAT(Journal(), ElementsAre("pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000001"));
}

// The service takes the request and never answers: the worker gives up before its
// caller does, so the next request is not refused as still running; it reaches the
// service again, and the service's answers count again once it gives them.
TEST_F(PipeTest, UnansweredRequestTimesOutAndLeavesTheNextFree) {
    kora::SysCtrlPipeClient client;
    StartService("");
    ASSERT_TRUE(client.Request(0, 0, 0));

    StartService("--delay 600000 --reply 7 --bytes 8");
    const auto start = Clock::now();
    EXPECT_FALSE(client.Request(1, 0, 0));
    EXPECT_GE(MillisecondsSince(start), 4500) << "the answer is waited for";
    EXPECT_TRUE(kora::SysCtrlPipeClient::IsIdle()) << "the worker outlived its caller's wait";
    EXPECT_THAT(m_debug.Take(), ElementsAre(kCallTimedOut, kTimeout));
    // The timed-out request left the results cleared; the buffer holds the earlier reply.
    EXPECT_FALSE(client.LastCallSucceeded());
    EXPECT_EQ(0u, client.LastBytesRead());
    EXPECT_EQ(1u, FirstWord(client.LastResponse()));

    // The service is still busy with the first request: the next one times out too
    // instead of being refused.
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_THAT(m_debug.Take(), ElementsAre(kCallTimedOut, kTimeout));

    StartService("--reply 0");
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_TRUE(client.LastCallSucceeded());
    EXPECT_EQ(4u, client.LastBytesRead());
    EXPECT_EQ(0u, FirstWord(client.LastResponse()));
    EXPECT_THAT(m_debug.Take(), IsEmpty());
    EXPECT_THAT(Journal(), ElementsAre("pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000001",
                                       "pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000000"));
}

TEST_F(PipeTest, PipeCallReportsBytesAndSystemErrors) {
    EXPECT_EQ(kPipeName, lumen::BasicNamedPipe::FullName(".", "KORA SYSTEM CONTROL PIPE"));
    const kora::SysCtrlRequestBytes request = kora::EncodeSysCtrlRequest(0, 0, 0);
    std::vector<uint8_t> response(16, 0xCC);
    uint32_t read = 99;
    lumen::BasicNamedPipe pipe;

    EXPECT_FALSE(pipe.Call(".", "SurgepadTest no such pipe", request.data(), 16, response.data(), 16, &read, INFINITE));
    EXPECT_EQ(0u, read);
    EXPECT_THAT(m_debug.Take(), ElementsAre(kCallFailedAbsent));

    StartService("--reply 0x01020304 --bytes 8");
    ASSERT_TRUE(pipe.Call(".", "KORA SYSTEM CONTROL PIPE", request.data(), 16, response.data(), 16, &read, INFINITE));
    EXPECT_EQ(8u, read);
    EXPECT_EQ(0x01020304u, FirstWord(response));

    // A reply longer than the buffer fills it and fails with ERROR_MORE_DATA.
    StartService("--bytes 64");
    EXPECT_FALSE(pipe.Call(".", "KORA SYSTEM CONTROL PIPE", request.data(), 16, response.data(), 16, &read, INFINITE));
    EXPECT_EQ(16u, read);
    EXPECT_EQ(1u, FirstWord(response));
    EXPECT_THAT(m_debug.Take(), ElementsAre("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 234\r\n"));
    EXPECT_FALSE(pipe.IsOpen());
}

// A one-instance server made by the test, driven step by step from the test's thread.
class TestPipeServer {
public:
    static constexpr char kName[] = "SurgepadTest bounded call";

    TestPipeServer()
        : m_pipe(CreateNamedPipeA(Path().c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr)),
          m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        EXPECT_TRUE(m_pipe) << "error " << GetLastError();
        m_overlapped.hEvent = m_event.get();
        ConnectNamedPipe(m_pipe.get(), &m_overlapped);
    }

    static std::string Path() { return lumen::BasicNamedPipe::FullName(".", kName); }

    // Another client takes the only instance.
    bool Squat() {
        m_squatter.reset(
            CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        return static_cast<bool>(m_squatter) && Finish(5000);
    }

    // Waits for the client and its request.
    std::vector<uint8_t> TakeRequest() {
        std::vector<uint8_t> request(64);
        if (!Finish(10000)) {
            return {};
        }
        ResetEvent(m_event.get());
        if (!ReadFile(m_pipe.get(), request.data(), static_cast<DWORD>(request.size()), nullptr, &m_overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            return {};
        }
        DWORD read = 0;
        if (!Finish(10000) || !GetOverlappedResult(m_pipe.get(), &m_overlapped, &read, FALSE)) {
            return {};
        }
        request.resize(read);
        return request;
    }

    bool Answer(const std::vector<uint8_t>& reply) {
        ResetEvent(m_event.get());
        if (!WriteFile(m_pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), nullptr, &m_overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        return Finish(10000);
    }

private:
    bool Finish(DWORD timeoutMs) { return WaitForSingleObject(m_event.get(), timeoutMs) == WAIT_OBJECT_0; }

    lumen::UniqueFile m_pipe;
    lumen::UniqueHandle m_event;
    lumen::UniqueFile m_squatter;
    OVERLAPPED m_overlapped = {};
};

enum class Server { Answers, TakesTheRequestAndNeverAnswers, OnlyInstanceHeld };

struct BoundedCallCase {
    const char* name;
    Server server;
    bool result;
    DWORD error;  // after a failure
    uint32_t bytesRead;
};

// Whatever the server does, the call ends within its bound; the server's own end
// (closing its handles) is what would release a call without one.
TEST_F(PipeTest, BoundedCallEndsWithinItsTimeWhateverTheServerDoes) {
    constexpr uint32_t kBound = 2000;
    const BoundedCallCase cases[] = {
        {"answers", Server::Answers, true, 0, 8},
        {"takes the request and never answers", Server::TakesTheRequestAndNeverAnswers, false, ERROR_SEM_TIMEOUT, 0},
        {"its only instance held by another client", Server::OnlyInstanceHeld, false, ERROR_SEM_TIMEOUT, 0},
    };
    const kora::SysCtrlRequestBytes request = kora::EncodeSysCtrlRequest(1, 2, 3);
    for (const BoundedCallCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto server = std::make_unique<TestPipeServer>();
        if (c.server == Server::OnlyInstanceHeld) {
            ASSERT_TRUE(server->Squat());
        }
        std::vector<uint8_t> response(16, 0xCC);
        uint32_t read = 99;
        bool result = !c.result;
        DWORD error = 0;
        long long elapsed = 0;
        std::atomic<bool> done{false};
        std::thread caller([&] {
            lumen::BasicNamedPipe pipe;
            const auto start = Clock::now();
            result = pipe.Call(".", TestPipeServer::kName, request.data(), 16, response.data(), 16, &read, kBound);
            error = GetLastError();
            elapsed = MillisecondsSince(start);
            done.store(true);
        });
        if (c.server != Server::OnlyInstanceHeld) {
            const std::vector<uint8_t> got = server->TakeRequest();
            EXPECT_EQ(std::vector<uint8_t>(request.begin(), request.end()), got);
            if (c.server == Server::Answers) {
                EXPECT_TRUE(server->Answer({0x0D, 0x0C, 0x0B, 0x0A, 0, 0, 0, 0}));
            }
        }
        for (int i = 0; i < 300 && !done.load(); ++i) {
            Sleep(50);
        }
        EXPECT_TRUE(done.load()) << "the call outlived its bound by more than 15 s";
        server.reset();
        caller.join();

        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.bytesRead, read);
        if (c.result) {
            EXPECT_EQ(0x0A0B0C0Du, FirstWord(response));
            EXPECT_THAT(m_debug.Take(), IsEmpty());
        } else {
            EXPECT_EQ(c.error, error);
            EXPECT_GE(elapsed, kBound / 2) << "it gave up at once";
            EXPECT_THAT(m_debug.Take(), ElementsAre(kCallTimedOut));
        }
    }
}

// Whoever serves the pipe's name learns who calls and nothing more: the pipe is opened
// at identification level. (Wine impersonates every client alike, so the open's flags
// are what is checked.)
using CreateFileAFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
CreateFileAFn g_createFileA = nullptr;
DWORD g_pipeOpenFlags = 0;

HANDLE WINAPI NotedCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE model) {
    if (path != nullptr && std::string(path) == TestPipeServer::Path()) {
        g_pipeOpenFlags = flags;
    }
    return g_createFileA(path, access, share, security, disposition, flags, model);
}

TEST_F(PipeTest, ThePipeIsOpenedAtIdentificationLevel) {
    ASSERT_TRUE(testutil::PatchImport("kernel32.dll", "CreateFileA", &NotedCreateFileA, &g_createFileA));
    auto server = std::make_unique<TestPipeServer>();
    std::vector<uint8_t> response(16);
    uint32_t read = 0;
    std::thread caller([&] {
        lumen::BasicNamedPipe pipe;
        const kora::SysCtrlRequestBytes request = kora::EncodeSysCtrlRequest(0, 0, 0);
        (void)pipe.Call(".", TestPipeServer::kName, request.data(), 16, response.data(), 16, &read, 5000);
    });
    EXPECT_FALSE(server->TakeRequest().empty());
    EXPECT_TRUE(server->Answer({1, 0, 0, 0}));
    caller.join();
    ASSERT_TRUE(
        testutil::PatchImport("kernel32.dll", "CreateFileA", g_createFileA, static_cast<CreateFileAFn*>(nullptr)));
    EXPECT_EQ(
        static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION),
        g_pipeOpenFlags & (SECURITY_SQOS_PRESENT | SECURITY_CONTEXT_TRACKING | SECURITY_EFFECTIVE_ONLY | 0x000F0000))
        << std::hex << "open flags 0x" << g_pipeOpenFlags;
}

}  // namespace
