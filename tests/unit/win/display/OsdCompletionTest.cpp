// What a switch's completion action leaves behind: the busy flag clears even
// when the action fails, a waiting GUI thread is released once the action has
// returned (and keeps taking the steps the animation thread hands over
// meanwhile), and a failed switch can put the warning page up, holding presses
// off until it has faded.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "surgepad/display/OsdAnimationThread.h"
#include "surgepad/display/OsdManager.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

using Calls = std::vector<std::string>;

class NotingTargets final : public FadeTargets {
public:
    void OsdSetAlpha(uint8_t) override { Note("osd step"); }
    void OsdHide() override { Note("osd hide"); }
    void StatusShowAt(uint8_t) override { Note("status show"); }
    void StatusSetAlpha(uint8_t) override { Note("status step"); }
    void StatusHide() override { Note("status hide"); }
    void OsdShowWarning() override { Note("warning"); }

    void Note(const std::string& call) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_calls.empty() || m_calls.back() != call) {
            m_calls.push_back(call);  // runs of steps count once
        }
    }
    Calls Snapshot() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    std::mutex m_mutex;
    Calls m_calls;
};

// The completion actions under test. `mode` picks what the action does.
enum class Completion { Succeeds, Throws, ThrowsUnknown, HandsAStepOver, Warns };

struct Probe {
    Completion mode = Completion::Succeeds;
    std::atomic<int> runs{0};
    std::atomic<int> busyDuring{-1};
    std::atomic<bool> stepRanOnGui{false};
    std::atomic<bool> warned{false};

    void Done(int) {
        ++runs;
        busyDuring = OsdBusy.load();
        switch (mode) {
            case Completion::Succeeds:
                break;
            case Completion::Throws:
                throw std::runtime_error("the firmware library failed");
            case Completion::ThrowsUnknown:
                throw 7;
            case Completion::HandsAStepOver: {
                const DWORD gui = ui::App().GuiThreadId();
                (void)ui::App().Synchronize([this, gui] { stepRanOnGui = GetCurrentThreadId() == gui; });
                break;
            }
            case Completion::Warns:
                OsdManager::WarnAfterThisSwitch();
                warned = true;
                break;
        }
    }
};

class OsdCompletionOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        m_saved = OsdManager::Instance().Targets;
        OsdManager::Instance().Targets = &targets;
        ASSERT_TRUE(uitest::PumpUntil([] { return OsdBusy.load() == 0; }, 20000));
    }
    void TearDown() override {
        uitest::PumpUntil([] { return OsdBusy.load() == 0; }, 20000);
        OsdManager::Instance().Targets = m_saved;
    }
    // A switch-on effect with the display and the badge off: a plain 2.5 s wait.
    void Play(Probe* probe) {
        OsdManager::Instance().PlayTurboOn(false, false, OsdDoneAction::Of<&Probe::Done>(probe));
    }
    NotingTargets targets;

private:
    FadeTargets* m_saved = nullptr;
};

TEST_F(OsdCompletionOnDesktop, AFailingCompletionActionStillClearsTheBusyFlagAndReleasesTheWait) {
    struct Case {
        const char* name;
        Completion mode;
    };
    const Case cases[] = {
        {"succeeds", Completion::Succeeds},
        {"throws a standard exception", Completion::Throws},
        {"throws anything else", Completion::ThrowsUnknown},
    };
    OsdManager& osd = OsdManager::Instance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probe probe;
        probe.mode = c.mode;
        Play(&probe);
        EXPECT_TRUE(osd.IsBusy());
        EXPECT_TRUE(osd.WaitForSwitch(20000));
        EXPECT_EQ(probe.runs.load(), 1);
        EXPECT_EQ(probe.busyDuring.load(), 1) << "busy while the action runs";
        ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 5000)) << "busy left set after the action";

        // The next switch is not held off.
        Probe next;
        Play(&next);
        EXPECT_TRUE(osd.WaitForSwitch(20000));
        EXPECT_EQ(next.runs.load(), 1);
        ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 5000));
    }
}

TEST_F(OsdCompletionOnDesktop, TheWaitReturnsAtOnceWithoutASwitchAndKeepsTakingHandedOverSteps) {
    OsdManager& osd = OsdManager::Instance();
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(osd.WaitForSwitch(20000));
    EXPECT_LT(GetTickCount64() - start, 1000u) << "nothing runs, nothing to wait for";

    // The action hands a step to the GUI thread while that thread waits for the
    // action: the wait must take the step, or the two would wait for each other.
    Probe probe;
    probe.mode = Completion::HandsAStepOver;
    Play(&probe);
    EXPECT_TRUE(osd.WaitForSwitch(20000));
    EXPECT_EQ(probe.runs.load(), 1);
    EXPECT_TRUE(probe.stepRanOnGui.load());

    // A bound that ends before the effect does: false, and the switch goes on.
    Probe slow;
    Play(&slow);
    EXPECT_FALSE(osd.WaitForSwitch(200));
    EXPECT_EQ(slow.runs.load(), 0);
    EXPECT_TRUE(osd.WaitForSwitch(20000));
    EXPECT_EQ(slow.runs.load(), 1);
}

TEST_F(OsdCompletionOnDesktop, AFailedSwitchShowsTheWarningAfterItsActionAndHoldsPressesUntilItHasFaded) {
    OsdManager& osd = OsdManager::Instance();
    Probe probe;
    probe.mode = Completion::Warns;
    Play(&probe);
    EXPECT_TRUE(osd.WaitForSwitch(20000)) << "the action is waited for, not the warning";
    EXPECT_TRUE(probe.warned.load());
    EXPECT_TRUE(osd.IsBusy()) << "presses are held off while the warning shows";
    ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 20000));
    EXPECT_EQ(targets.Snapshot(), (Calls{"warning", "osd step", "osd hide"}));

    // Away from an animation thread there is no switch to report on.
    EXPECT_FALSE(TOsdAnimationThread::WarnWhenDone());
}

}  // namespace
}  // namespace surgepad
