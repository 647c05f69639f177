// The on-screen display and the status badge: the animation thread's steps, order and
// clock (recorded through its fade targets), the manager's effects on the real
// windows, the premultiplied pages and the warning texts that keep the page's alpha.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "lumen/graphics/DibBitmap.h"
#include "surgepad/look/FadeSteps.h"
#include "surgepad/display/OsdAnimationThread.h"
#include "surgepad/look/MultiLang.h"
#include "surgepad/display/OsdDisplay.h"
#include "surgepad/display/OsdForm.h"
#include "surgepad/display/OsdManager.h"
#include "surgepad/look/PngReader.h"
#include "surgepad/display/StatusDisplay.h"
#include "surgepad/display/StatusForm.h"
#include "surgepad/display/WarningPage.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

using Calls = std::vector<std::string>;

// Notes every call a fade makes, with the time it came.
class RecordingTargets final : public FadeTargets {
public:
    void OsdSetAlpha(uint8_t alpha) override { Note("osd " + std::to_string(alpha)); }
    void OsdHide() override { Note("osd hide"); }
    void StatusShowAt(uint8_t alpha) override { Note("status show " + std::to_string(alpha)); }
    void StatusSetAlpha(uint8_t alpha) override { Note("status " + std::to_string(alpha)); }
    void StatusHide() override { Note("status hide"); }

    void Note(const std::string& call) {
        std::lock_guard<std::mutex> lock(m_mutex);
        calls.push_back(call);
        times.push_back(GetTickCount64());
        if (stallAt == calls.size()) {
            Sleep(stallMs);
        }
    }
    Calls Snapshot() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return calls;
    }

    Calls calls;
    std::vector<ULONGLONG> times;
    size_t stallAt = 0;  // the n-th call (1-based) sleeps stallMs
    DWORD stallMs = 0;

private:
    std::mutex m_mutex;
};

struct DoneProbe {
    std::atomic<int> count{0};
    std::atomic<int> busyDuring{-1};
    std::atomic<DWORD> thread{0};
    std::atomic<size_t> callsBefore{0};
    RecordingTargets* targets = nullptr;
    void Done(int second) {
        busyDuring = OsdBusy.load();
        thread = GetCurrentThreadId();
        callsBefore = targets != nullptr ? targets->Snapshot().size() : 0;
        count += second == 0 ? 1 : 100;
    }
};

Calls Values(const char* prefix, int maximum, bool fadeOut) {
    Calls out;
    for (uint32_t step = 1; step < kFadeSteps; ++step) {
        out.push_back(std::string(prefix) + std::to_string(FadeAlpha(maximum, step, fadeOut)));
    }
    return out;
}

// The steps (1..49) of the recorded values, in order; -1 for a value that no step of
// that fade gives. A loaded machine may starve the thread past a boundary: a step is
// then skipped, never replayed, so the recorded values are an ordered selection of
// the exact sequence.
std::vector<int> StepsOf(const Calls& got, const Calls& sequence) {
    std::vector<int> steps;
    size_t from = 0;
    for (const auto& call : got) {
        int found = -1;
        for (size_t i = from; i < sequence.size(); ++i) {
            if (sequence[i] == call) {
                found = static_cast<int>(i) + 1;
                from = i + 1;
                break;
            }
        }
        steps.push_back(found);
    }
    return steps;
}

// The fade ran an ordered selection of `sequence` (most of it), then `last` if given.
void ExpectSelection(const Calls& got, const Calls& sequence, const std::string& last) {
    Calls body = got;
    if (!last.empty()) {
        ASSERT_FALSE(body.empty());
        EXPECT_EQ(body.back(), last);
        body.pop_back();
    }
    const std::vector<int> steps = StepsOf(body, sequence);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_NE(steps[i], -1) << "call " << i << " (" << body[i] << ") is no step of the fade or out of order";
    }
    EXPECT_GE(body.size(), 30u) << "most steps should be applied even on a busy machine";
    EXPECT_LE(body.size(), sequence.size());
}

// Starts a fade and waits (pumping) until the busy flag has cleared.
void RunFade(TOsdAnimationThread* thread) {
    thread->SetFreeOnTerminate(true);
    OsdBusy.exchange(1);
    thread->Resume();
    ASSERT_TRUE(uitest::PumpUntil([] { return OsdBusy.load() == 0; }, 20000));
}

class OsdAnimationOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        probe.targets = &targets;
    }
    TOsdAnimationThread* Make(AnimTarget target, bool fadeOut) {
        auto* thread = new TOsdAnimationThread(0);
        thread->Target = target;
        thread->FadeOut = fadeOut ? 1 : 0;
        thread->Targets = &targets;
        thread->OnDone = OsdDoneAction::Of<&DoneProbe::Done>(&probe);
        return thread;
    }
    RecordingTargets targets;
    DoneProbe probe;
};

TEST_F(OsdAnimationOnDesktop, OsdFadeOutRunsEveryStepFrom249To5ThenHidesThenCompletesThenClearsBusy) {
    const ULONGLONG start = GetTickCount64();
    RunFade(Make(AnimOsd, true));
    const Calls sequence = Values("osd ", 255, true);
    ASSERT_EQ(sequence.front(), "osd 249");
    ASSERT_EQ(sequence.back(), "osd 5");
    const Calls got = targets.Snapshot();
    ExpectSelection(got, sequence, "osd hide");
    EXPECT_EQ(probe.count.load(), 1) << "the completion action runs once, with a second argument 0";
    EXPECT_EQ(probe.busyDuring.load(), 1) << "busy must still be set while the completion action runs";
    EXPECT_EQ(probe.callsBefore.load(), got.size()) << "the completion action comes after the final hide";
    EXPECT_NE(probe.thread.load(), GetCurrentThreadId()) << "the completion action runs on the animation thread";
    // The first update only after one step (50 ms); the whole fade about 2.5 s.
    EXPECT_GE(targets.times.front() - start, 45u);
    EXPECT_GE(targets.times.back() - start, 2400u);
}

TEST_F(OsdAnimationOnDesktop, StatusFadeInShowsAtZeroThenRuns2To117AndStaysVisible) {
    RunFade(Make(AnimStatus, false));
    const Calls steps = Values("status ", 120, false);
    ASSERT_EQ(steps.front(), "status 2");
    ASSERT_EQ(steps.back(), "status 117");
    Calls got = targets.Snapshot();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), "status show 0");
    got.erase(got.begin());
    ExpectSelection(got, steps, "");
    EXPECT_EQ(probe.count.load(), 1);
}

TEST_F(OsdAnimationOnDesktop, StatusFadeOutRuns117To2ThenHides) {
    RunFade(Make(AnimStatus, true));
    const Calls sequence = Values("status ", 120, true);
    ASSERT_EQ(sequence.front(), "status 117");
    ASSERT_EQ(sequence.back(), "status 2");
    ExpectSelection(targets.Snapshot(), sequence, "status hide");
}

TEST_F(OsdAnimationOnDesktop, NoTargetDrawsNothingButCompletesAfterTheWholeFade) {
    const ULONGLONG start = GetTickCount64();
    auto* thread = Make(AnimNone, false);
    thread->SetFreeOnTerminate(true);
    OsdBusy.exchange(1);
    thread->Resume();
    uitest::PumpUntil([] { return false; }, 1000);
    EXPECT_EQ(OsdBusy.load(), 1) << "busy during the fade even when nothing is drawn";
    EXPECT_EQ(probe.count.load(), 0);
    ASSERT_TRUE(uitest::PumpUntil([] { return OsdBusy.load() == 0; }, 20000));
    EXPECT_GE(GetTickCount64() - start, 2400u);
    EXPECT_TRUE(targets.Snapshot().empty());
    EXPECT_EQ(probe.count.load(), 1);
}

TEST_F(OsdAnimationOnDesktop, StarvedStepsAreNotReplayedTheNextUpdateJumps) {
    targets.stallAt = 1;  // the first update holds the thread for 700 ms
    targets.stallMs = 700;
    RunFade(Make(AnimOsd, true));
    Calls got = targets.Snapshot();
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got.back(), "osd hide");
    got.pop_back();
    const std::vector<int> steps = StepsOf(got, Values("osd ", 255, true));
    for (size_t i = 0; i < steps.size(); ++i) {
        ASSERT_NE(steps[i], -1) << "call " << i << " (" << got[i] << ") is no step or out of order";
    }
    // 700 ms are 14 steps: whatever the clock's granularity, the next update
    // jumps at least 12.
    EXPECT_GE(steps[1] - steps[0], 12) << got[0] << " then " << got[1];
    EXPECT_LE(got.size(), 49u - 11u) << "skipped steps must not be replayed";
}

std::atomic<uint32_t> g_tickOffset{0};
std::atomic<int> g_tickCalls{0};
uint32_t ShiftedTick() {
    ++g_tickCalls;
    return GetTickCount() + g_tickOffset.load();
}

TEST_F(OsdAnimationOnDesktop, TickCounterWrapDuringTheFadeNeitherShortensNorLengthensIt) {
    // The counter reads 1 s before its wrap when the fade starts.
    g_tickOffset = 0xFFFFFFFFu - 1000u - GetTickCount();
    auto* thread = Make(AnimOsd, true);
    thread->Tick = &ShiftedTick;
    const ULONGLONG start = GetTickCount64();
    RunFade(thread);
    const ULONGLONG took = GetTickCount64() - start;
    ExpectSelection(targets.Snapshot(), Values("osd ", 255, true), "osd hide");
    EXPECT_GE(took, 2400u);
    EXPECT_LT(took, 8000u);
}

TEST_F(OsdAnimationOnDesktop, TheFadeWaitsForStepBoundariesInsteadOfPollingTheClock) {
    g_tickOffset = 0;
    g_tickCalls = 0;
    auto* thread = Make(AnimNone, true);
    thread->Tick = &ShiftedTick;
    RunFade(thread);
    // Two reads a step when sleeping; a polling loop reads the clock millions of times.
    EXPECT_LT(g_tickCalls.load(), 400) << "tick reads during one fade: " << g_tickCalls.load();
    EXPECT_GE(g_tickCalls.load(), 49);
}

// --- The real windows --------------------------------------------------------------

class OsdWindowsOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        ui::App().Initialize();
        OsdForm = ui::App().CreateForm<TOsdForm>();
        StatusForm = ui::App().CreateForm<TStatusForm>();
        OsdManager::Instance().Targets = &DisplayFadeTargets();
        OsdManager::Instance().LoadPages();
    }
    void TearDown() override {
        uitest::PumpUntil([] { return OsdBusy.load() == 0; }, 20000);
        OsdForm = nullptr;
        StatusForm = nullptr;
        ui::App().DestroyForms();
    }
};

TEST_F(OsdWindowsOnDesktop, LoadSizesTheFormsAndPremultipliesEveryPage) {
    lumen::DibBitmap straight;
    ASSERT_TRUE(LoadPngFile(ResourceFolder() + "turbo_on.png", straight, 96));
    const lumen::DibBitmap& page = OsdDisplay::Instance().Page(PageTurboOn);
    ASSERT_EQ(page.Width(), straight.Width());
    ASSERT_EQ(page.Height(), straight.Height());
    int translucent = 0;
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            const lumen::Bgra s = straight.Pixel(x, y);
            const lumen::Bgra p = page.Pixel(x, y);
            ASSERT_EQ(p.a, s.a);
            ASSERT_EQ(p.r, s.r * s.a / 255) << x << "," << y;
            ASSERT_EQ(p.g, s.g * s.a / 255) << x << "," << y;
            ASSERT_EQ(p.b, s.b * s.a / 255) << x << "," << y;
            translucent += (s.a > 0 && s.a < 255) ? 1 : 0;
        }
    }
    EXPECT_GT(translucent, 0) << "the sample page should have soft edges";
    EXPECT_EQ(OsdForm->ClientWidth(), page.Width());
    EXPECT_EQ(OsdForm->ClientHeight(), page.Height());
    EXPECT_TRUE(OsdDisplay::Instance().Page(PageWarning).Empty()) << "the warning page is made when first shown";
    OsdDisplay::Instance().ShowPage(PageWarning);
    OsdDisplay::Instance().Hide();
    const lumen::DibBitmap& warning = OsdDisplay::Instance().Page(PageWarning);
    EXPECT_EQ(OsdForm->ClientWidth(), warning.Width());
    EXPECT_EQ(OsdForm->ClientHeight(), warning.Height());
    EXPECT_GT(warning.Width(), 0);
    const lumen::DibBitmap& badge = StatusDisplay::Instance().Picture();
    EXPECT_EQ(StatusForm->ClientWidth(), badge.Width());
    EXPECT_EQ(StatusForm->ClientHeight(), badge.Height());
    EXPECT_NE(StatusForm->ExStyle() & WS_EX_TRANSPARENT, 0u) << "the badge lets clicks through";
}

// A language chosen anew: the warning page shown next carries its texts, drawn again.
TEST_F(OsdWindowsOnDesktop, TheWarningPageIsMadeAgainInTheLanguageChosen) {
    OsdDisplay& display = OsdDisplay::Instance();
    display.ShowPage(PageWarning);
    display.Hide();
    lumen::DibBitmap english;
    english.Assign(display.Page(PageWarning));
    display.ForgetWarningPage();
    EXPECT_TRUE(display.Page(PageWarning).Empty());
    MultiLang::Instance().SetChosenLanguage("Japanese");
    display.ShowPage(PageWarning);
    display.Hide();
    MultiLang::Instance().SetChosenLanguage("");
    const lumen::DibBitmap& japanese = display.Page(PageWarning);
    ASSERT_EQ(japanese.Width(), english.Width());
    ASSERT_EQ(japanese.Height(), english.Height());
    int changed = 0;
    for (int y = 0; y < japanese.Height(); ++y) {
        for (int x = 0; x < japanese.Width(); ++x) {
            const lumen::Bgra a = english.Pixel(x, y);
            const lumen::Bgra b = japanese.Pixel(x, y);
            ASSERT_EQ(a.a, b.a) << x << "," << y << ": the texts keep the page's alpha";
            changed += a.r != b.r || a.g != b.g || a.b != b.b ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 100) << "the texts were not drawn again";
}

TEST_F(OsdWindowsOnDesktop, TurboOnShowsTheCentredPageFadesItAndCompletesOnTheAnimationThread) {
    DoneProbe probe;
    OsdManager& osd = OsdManager::Instance();
    ASSERT_FALSE(osd.IsBusy());
    osd.PlayTurboOn(true, true, OsdDoneAction::Of<&DoneProbe::Done>(&probe));
    EXPECT_TRUE(osd.IsBusy());
    EXPECT_TRUE(OsdForm->Visible());
    RECT r{};
    GetWindowRect(OsdForm->Handle(), &r);
    const POINT centre = OsdDisplay::CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                                     OsdForm->ClientWidth(), OsdForm->ClientHeight());
    EXPECT_EQ(r.left, centre.x);
    EXPECT_EQ(r.top, centre.y);
    EXPECT_NE(OsdForm->ExStyle() & WS_EX_LAYERED, 0u);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 20000));
    EXPECT_EQ(probe.count.load(), 1);
    EXPECT_EQ(probe.busyDuring.load(), 1);
    EXPECT_FALSE(OsdForm->Visible()) << "the fade-out ends hidden";
    EXPECT_FALSE(StatusForm->Visible());
}

TEST_F(OsdWindowsOnDesktop, StatusWithoutTheDisplayFadesInAtTheTopRightAndShowStatusHoldsIt) {
    OsdManager& osd = OsdManager::Instance();
    osd.PlayTurboOn(false, true, OsdDoneAction{});
    ASSERT_TRUE(uitest::PumpUntil([] { return StatusForm->Visible(); }, 5000));
    EXPECT_FALSE(OsdForm->Visible());
    ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 20000));
    EXPECT_TRUE(StatusForm->Visible()) << "a fade-in leaves the badge up";
    // The last step applied: 49 (117) unless a busy machine starved the thread.
    EXPECT_LE(StatusDisplay::Instance().Layered().Alpha(), 117);
    EXPECT_GE(StatusDisplay::Instance().Layered().Alpha(), FadeAlpha(120, 40, false));
    osd.ShowStatus();
    EXPECT_EQ(StatusDisplay::Instance().Layered().Alpha(), 120);
    RECT r{};
    GetWindowRect(StatusForm->Handle(), &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN) - 10);
    EXPECT_EQ(r.top, 10);
    osd.PlayTurboOff(false, true, OsdDoneAction{});
    ASSERT_TRUE(uitest::PumpUntil([&] { return !osd.IsBusy(); }, 20000));
    EXPECT_FALSE(StatusForm->Visible());
    osd.ShowStatus();
    EXPECT_TRUE(StatusForm->Visible());
    osd.HideStatus();
    EXPECT_FALSE(StatusForm->Visible());
}

TEST_F(OsdWindowsOnDesktop, CentringTruncatesTowardZero) {
    EXPECT_EQ(OsdDisplay::CentredPosition(1024, 768, 227, 230).x, 398);
    EXPECT_EQ(OsdDisplay::CentredPosition(1024, 768, 227, 231).y, 268);
    EXPECT_EQ(OsdDisplay::CentredPosition(100, 100, 227, 101).x, -63);
    EXPECT_EQ(OsdDisplay::CentredPosition(100, 100, 227, 101).y, 0);
    EXPECT_EQ(StatusDisplay::Position(1024, 121, 96).x, 893);
    EXPECT_EQ(StatusDisplay::Position(1024, 182, 144).x, 827) << "a margin of 15 at 150 %";
    EXPECT_EQ(StatusDisplay::Position(1024, 182, 144).y, 15);
}

// --- Warning texts -------------------------------------------------------------------

TEST(WarningPageOnDesktop, TextsChangeOnlyColourInsideTheirRectanglesAndKeepEveryAlpha) {
    lumen::DibBitmap page(330, 300, lumen::PixelFormat::Bgra32);
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            page.SetPixel(x, y, lumen::Bgra{10, 20, 30, static_cast<uint8_t>((x * 7 + y) & 0xFF)});
        }
    }
    DrawWarningTexts(page, 96, "Warning", "The chosen profile cannot be applied on this board.", "English");
    int whiteTitle = 0;
    int whiteText = 0;
    for (int y = 0; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            const lumen::Bgra p = page.Pixel(x, y);
            ASSERT_EQ(p.a, static_cast<uint8_t>((x * 7 + y) & 0xFF)) << x << "," << y;
            const bool inTitle = x >= 103 && x < 223 && y >= 53 && y < 91;
            const bool inText = x >= 63 && x < 263 && y >= 200 && y < 281;
            if (!inTitle && !inText) {
                ASSERT_EQ(p, (lumen::Bgra{10, 20, 30, p.a})) << x << "," << y;
            }
            const bool white = p.r == 255 && p.g == 255 && p.b == 255;
            whiteTitle += (white && inTitle) ? 1 : 0;
            whiteText += (white && inText) ? 1 : 0;
        }
    }
    EXPECT_GT(whiteTitle, 20);
    EXPECT_GT(whiteText, 20);
}

TEST(WarningPageOnDesktop, ALongExplanationIsCutOffBelowItsRectangle) {
    lumen::DibBitmap page(330, 300, lumen::PixelFormat::Bgra32);
    page.Fill(lumen::Bgra{0, 0, 0, 255});
    std::string longText;
    for (int i = 0; i < 80; ++i) {
        longText += "overclock ";
    }
    DrawWarningTexts(page, 96, "", longText, "English");
    int lowRows = 0;
    int rows = 0;
    for (int y = 200; y < 300; ++y) {
        bool any = false;
        for (int x = 0; x < page.Width(); ++x) {
            any = any || page.Pixel(x, y).r != 0;
        }
        rows += any ? 1 : 0;
        lowRows += (any && y >= 281) ? 1 : 0;
    }
    EXPECT_GT(rows, 40) << "the text should wrap over several lines";
    EXPECT_EQ(lowRows, 0);
}

}  // namespace
}  // namespace surgepad
