// The system control pipe client against kora-sim.exe's stand-in of the service: the
// results and debug lines for every answer and fault, never a wait beyond 10 s.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "lumen/kora/SysCtrlPipeClient.h"
#include "lumen/system/WinPipe.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr const char* kPipeName = testutil::SimService::kPipeName;
const char kCallFailedAbsent[] = "[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 2\r\n";
const char kPrevious[] = "CallSysCtrlService Failed, the previous request is not completed yet.\r\n";
const char kTimeout[] = "CallSysCtrlService Failed, Waiting error or Timeout.\r\n";

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

// The service answers after 12 s: the caller gives up at 10 s, the worker's late answer
// lands in its own transaction, and the next request is served as usual.
TEST_F(PipeTest, LateAnswerTimesOutAndDisturbsNoLaterRequest) {
    kora::SysCtrlPipeClient client;
    StartService("");
    ASSERT_TRUE(client.Request(0, 0, 0));

    StartService("--delay 12000 --reply 7 --bytes 8");
    const auto start = Clock::now();
    EXPECT_FALSE(client.Request(1, 0, 0));
    const long long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 9500);
    EXPECT_LT(waited, 11800) << "the caller waits for the timeout, not for the answer";
    EXPECT_THAT(m_debug.Take(), ElementsAre(kTimeout));

    // Still running: refused.
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_THAT(m_debug.Take(), ElementsAre(kPrevious));

    for (int i = 0; i < 200 && !kora::SysCtrlPipeClient::IsIdle(); ++i) {
        Sleep(50);
    }
    ASSERT_TRUE(kora::SysCtrlPipeClient::IsIdle()) << "the late answer never came";
    // The late answer (7 in 8 bytes) is nowhere in the client's results: the timed-out
    // request left them cleared, and the buffer still holds the earlier reply.
    EXPECT_FALSE(client.LastCallSucceeded());
    EXPECT_EQ(0u, client.LastBytesRead());
    EXPECT_EQ(1u, FirstWord(client.LastResponse()));

    StartService("--reply 0");
    EXPECT_FALSE(client.Request(0, 0, 0));
    EXPECT_EQ(4u, client.LastBytesRead());
    EXPECT_EQ(0u, FirstWord(client.LastResponse()));
    EXPECT_THAT(m_debug.Take(), IsEmpty());
    EXPECT_THAT(Journal(), ElementsAre("pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000001",
                                       "pipe 0x80000000 0x00000001 0x00000000 0x00000000 reply 0x00000007",
                                       "pipe 0x80000000 0x00000000 0x00000000 0x00000000 reply 0x00000000"));
}

TEST_F(PipeTest, PipeCallReportsBytesAndSystemErrors) {
    EXPECT_EQ(kPipeName, lumen::BasicNamedPipe::FullName(".", "KORA SYSTEM CONTROL PIPE"));
    const kora::SysCtrlRequestBytes request = kora::EncodeSysCtrlRequest(0, 0, 0);
    std::vector<uint8_t> response(16, 0xCC);
    uint32_t read = 99;
    lumen::BasicNamedPipe pipe;

    EXPECT_FALSE(pipe.Call(".", "SurgepadTest no such pipe", request.data(), 16, response.data(), 16, &read,
                           NMPWAIT_WAIT_FOREVER));
    EXPECT_EQ(0u, read);
    EXPECT_THAT(m_debug.Take(), ElementsAre(kCallFailedAbsent));

    StartService("--reply 0x01020304 --bytes 8");
    ASSERT_TRUE(pipe.Call(".", "KORA SYSTEM CONTROL PIPE", request.data(), 16, response.data(), 16, &read,
                          NMPWAIT_WAIT_FOREVER));
    EXPECT_EQ(8u, read);
    EXPECT_EQ(0x01020304u, FirstWord(response));

    // A reply longer than the buffer fills it and fails with ERROR_MORE_DATA.
    StartService("--bytes 64");
    EXPECT_FALSE(pipe.Call(".", "KORA SYSTEM CONTROL PIPE", request.data(), 16, response.data(), 16, &read,
                           NMPWAIT_WAIT_FOREVER));
    EXPECT_EQ(16u, read);
    EXPECT_EQ(1u, FirstWord(response));
    EXPECT_THAT(m_debug.Take(), ElementsAre("[BasicNamedPipe<char_t>::Call] failed, GetLastError returned 234\r\n"));
    EXPECT_FALSE(pipe.IsOpen());
}

}  // namespace
