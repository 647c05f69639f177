// A storm of presses on the real program: a thousand press broadcasts posted straight
// from this process as fast as it can. The busy flag lets one switch through per
// effect and the rest are ignored; the program survives, no two batches of firmware
// writes interleave, and the tray picture and the badge end as the turbo state says.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "lumen/kora/BroadcastProtocol.h"
#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::Count;
using e2e::Find;
using e2e::Joined;
using e2e::JournalFrom;
using e2e::TrayPixels;
using e2e::VisibleWindow;
using e2e::WaitVisible;

using e2e::Surgepad;

constexpr int kPresses = 1000;
// Presses the GUI thread may still find busy after a switch has traced its end: the
// completion action returns and the flag clears a moment later.
constexpr int kLateIgnored = 50;
constexpr char kPress[] = "command: broadcast 0x00002255 0x00000000: press";
constexpr char kIgnored[] = "controller: an effect is running; the press is ignored";
constexpr char kTurboOn[] = "controller: turbo on";
constexpr char kSwitchedOn[] = "controller: switched on";
constexpr char kTurboOff[] = "controller: turbo off";
constexpr char kSwitchedOff[] = "controller: switched off";

// The journal's marks of one switch of "Game Boost" on full.txt, in their order: on
// (request, a raised clock: the other values first, then the base clock, then the
// apply control), off (a falling clock: the base clock first, then the request).
const std::vector<std::string> kOnBatch = {
    "pipe 0x80000000 0x00000000 0x00000000 0x00000000",
    "acpi set 0x03020012 0x0000005A 2 ok",
    "acpi set 0x03010011 0x0000012C 2 ok",
    "acpi set 0x03080064 0x00000000 1",
};
const std::vector<std::string> kOffBatch = {
    "acpi set 0x03010011 0x00000000 2 ok",
    "acpi set 0x03020012 0x00000050 2 ok",
    "pipe 0x80000000 0x00000001 0x00000000 0x00000000",
};

constexpr COLORREF kNormalFill = RGB(0x80, 0x50, 0xC7);
constexpr COLORREF kTurboFill = RGB(0xD0, 0x20, 0x1E);
constexpr int kTolerance = 24;

bool Contains(const std::string& line, const std::string& text) {
    return line.find(text) != std::string::npos;
}

TEST(PressStorm, AThousandPressesAtOnceSwitchOnlyAsTheBusyFlagLetsThrough) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    e2e::SimProcess service("service");
    Sleep(500);
    Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    const size_t journalStart = e2e::JournalLines().size();
    const size_t traceStart = program.Trace().size();

    const UINT message = RegisterWindowMessageA(kora::kBroadcastMessageName);
    ASSERT_NE(message, 0u);
    const WPARAM press = kora::BroadcastWParam(kora::kCommandPress);
    ASSERT_EQ(press, 0x2255u);
    const ULONGLONG start = GetTickCount64();
    int posted = 0;
    for (int i = 0; i < kPresses; ++i) {
        posted += PostMessageA(HWND_BROADCAST, message, press, 0) ? 1 : 0;
    }
    const ULONGLONG postedMs = GetTickCount64() - start;
    ASSERT_EQ(posted, kPresses);

    // Every press is taken, then the last switch finishes (bounded waits).
    auto handled = [&] {
        const std::vector<std::string> trace = program.Trace();
        return Count(trace, kPress) >= kPresses;
    };
    while (!handled() && program.Running() && GetTickCount64() - start < 120000) {
        Sleep(200);
    }
    const ULONGLONG handledMs = GetTickCount64() - start;
    ASSERT_TRUE(handled()) << "presses traced: " << Count(program.Trace(), kPress);
    auto settled = [&] {
        const std::vector<std::string> trace = program.Trace();
        const int started = Count(trace, kTurboOn) + Count(trace, kTurboOff);
        return started == Count(trace, kSwitchedOn) + Count(trace, kSwitchedOff);
    };
    const ULONGLONG settleStart = GetTickCount64();
    while (!settled() && GetTickCount64() - settleStart < 30000) {
        Sleep(200);
    }
    ASSERT_TRUE(settled()) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    Sleep(500);
    ASSERT_TRUE(program.Running()) << "the program did not survive the storm";

    // Walk the trace as the busy flag sees it. A switch runs from its "turbo" line to
    // its "switched" line (traced on the animation thread); a press and its outcome,
    // a switch or "ignored", are traced one after the other on the GUI thread. The
    // first press switches; a switch never starts while another runs.
    const std::vector<std::string> all = program.Trace();
    const std::vector<std::string> trace(all.begin() + static_cast<long>(traceStart), all.end());
    std::vector<bool> switches;  // true: on
    bool running = false;
    int presses = 0;
    int ignored = 0;
    int sinceEnd = -1;  // presses since the last switch ended
    for (const std::string& line : trace) {
        if (Contains(line, kPress)) {
            ++presses;
            sinceEnd += sinceEnd >= 0 ? 1 : 0;
        } else if (Contains(line, kIgnored)) {
            ++ignored;
            EXPECT_FALSE(switches.empty()) << "a press before the first switch was ignored";
        } else if (Contains(line, kTurboOn) || Contains(line, kTurboOff)) {
            EXPECT_FALSE(running) << "a switch started while another ran\n" << line;
            EXPECT_LE(sinceEnd, kLateIgnored) << "presses ignored after the switch had ended";
            sinceEnd = -1;
            EXPECT_EQ(Contains(line, kTurboOn), switches.empty() || !switches.back()) << "on and off alternate";
            switches.push_back(Contains(line, kTurboOn));
            running = true;
            if (switches.size() == 1) {
                EXPECT_EQ(presses, 1) << "the first press switches";
            }
        } else if (Contains(line, kSwitchedOn) || Contains(line, kSwitchedOff)) {
            EXPECT_TRUE(running) << line;
            EXPECT_EQ(Contains(line, kSwitchedOn), !switches.empty() && switches.back());
            running = false;
            sinceEnd = 0;
        }
    }
    EXPECT_LE(sinceEnd, kLateIgnored) << "presses ignored after the last switch had ended";
    const int switchCount = static_cast<int>(switches.size());
    EXPECT_EQ(presses, kPresses);
    EXPECT_GE(switchCount, 1);
    EXPECT_EQ(switchCount + ignored, kPresses) << "every press either switches or is ignored";
    // Presses come faster than switches end: every switch but the first follows its
    // predecessor's end within a fraction of the effect, so the busy flag alone spaced
    // them.
    EXPECT_LE(switchCount, static_cast<int>(handledMs / 2500) + 1) << "more switches than 2.5 s effects fit";
    EXPECT_EQ(Count(trace, "error:"), 0) << program.TraceText();

    // The journal holds one whole batch per switch, in the trace's order, none inside
    // another.
    const std::vector<std::string> journal = e2e::JournalLines();
    std::vector<std::string> marks;
    for (size_t i = journalStart; i < journal.size(); ++i) {
        for (const auto* batch : {&kOnBatch, &kOffBatch}) {
            for (const std::string& mark : *batch) {
                if (Contains(journal[i], mark)) {
                    marks.push_back(mark);
                }
            }
        }
    }
    std::vector<std::string> expected;
    for (bool on : switches) {
        const std::vector<std::string>& batch = on ? kOnBatch : kOffBatch;
        expected.insert(expected.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(marks, expected);

    // The end agrees with the turbo state: the badge and the red tray picture while
    // on, neither while off.
    const bool on = switches.back();
    HWND badge = FindWindowA("TStatusForm", nullptr);
    EXPECT_EQ(badge != nullptr && IsWindowVisible(badge), on);
    if (on) {
        EXPECT_GT(TrayPixels(kTurboFill, "storm-end-on"), 8);
    } else {
        EXPECT_GT(TrayPixels(kNormalFill, "storm-end-off"), 8);
        EXPECT_EQ(TrayPixels(kTurboFill, "storm-end-off-red"), 0);
    }

    e2e::Figure("presses sent", posted, "presses");
    e2e::Figure("posting time", static_cast<double>(postedMs), "ms");
    e2e::Figure("time until every press was handled", static_cast<double>(handledMs), "ms");
    e2e::Figure("switches made", switchCount, "switches");
    e2e::Figure("presses ignored", ignored, "presses");
}

}  // namespace
