// The window framework: application object and its slots, forms, timers, threads,
// icons and the standard error box.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "lumen/system/ProgramFolder.h"
#include "tests/unit/ReportRecorder.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Error.h"
#include "ui/Form.h"
#include "ui/Icon.h"
#include "ui/Label.h"
#include "ui/Paths.h"
#include "ui/Thread.h"
#include "ui/ThreadCheck.h"
#include "ui/Timer.h"

namespace {

constexpr UINT kProbe = WM_APP + 7;
constexpr UINT kThrow = WM_APP + 8;

ui::FormLayout TestLayout(const char* name = "TestForm") {
    ui::FormLayout layout;
    layout.className = "TUiTestForm";
    layout.name = name;
    layout.caption = name;
    layout.left = 40;
    layout.top = 30;
    layout.clientWidth = 120;
    layout.clientHeight = 80;
    return layout;
}

class ProbeForm : public ui::Form {
public:
    explicit ProbeForm(const ui::FormLayout& layout = TestLayout()) : ui::Form(layout) {}
    ~ProbeForm() override { DestroyHandle(); }
    std::vector<UINT> received;
    int shows = 0;
    std::vector<POINT> moves;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kProbe) {
            received.push_back(static_cast<UINT>(wParam));
            return 0;
        }
        if (message == kThrow) {
            throw ui::Error("probe failure\r\n");
        }
        return ui::Form::WndProc(message, wParam, lParam);
    }
    void FormShow() override { ++shows; }
    void FormMove() override { moves.push_back(POINT{Left(), Top()}); }
};

class UiFrameworkOnDesktop : public testing::Test {
protected:
    void SetUp() override { ui::App().Initialize(); }
    void TearDown() override { ui::App().DestroyForms(); }
};

// Subscribers of the message hook, each recording what it saw and how `handled`
// stood when it saw it; some claim messages.
struct HookLog {
    std::vector<std::string>* order;
    std::string name;
    WPARAM claims;
    void Hook(MSG& msg, bool& handled) {
        if (msg.message != kProbe) {
            return;
        }
        order->push_back(name + ":" + std::to_string(msg.wParam) + (handled ? "h" : ""));
        if (msg.wParam == claims) {
            handled = true;
        }
    }
};

TEST_F(UiFrameworkOnDesktop, MessageSubscribersSeeEveryMessageLatestFirstAndEndInAnyOrder) {
    auto* form = ui::App().CreateForm<ProbeForm>();
    std::vector<std::string> order;
    HookLog a{&order, "a", 1};
    HookLog b{&order, "b", 2};
    HookLog c{&order, "c", 99};
    ui::Subscription sa = ui::App().SubscribeMessages(ui::MessageHook::Of<&HookLog::Hook>(&a));
    ui::Subscription sb = ui::App().SubscribeMessages(ui::MessageHook::Of<&HookLog::Hook>(&b));
    ui::Subscription sc = ui::App().SubscribeMessages(ui::MessageHook::Of<&HookLog::Hook>(&c));
    for (WPARAM w : {0, 1, 2}) {
        PostMessageA(form->Handle(), kProbe, w, 0);
    }
    uitest::Pump();
    const std::vector<std::string> expected = {"c:0", "b:0", "a:0", "c:1", "b:1", "a:1", "c:2", "b:2", "a:2h"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(form->received, (std::vector<UINT>{0}));

    // The middle one ends first, then the first: the last keeps seeing messages.
    order.clear();
    sb.Reset();
    sa = ui::Subscription();
    PostMessageA(form->Handle(), kProbe, 1, 0);
    uitest::Pump();
    EXPECT_EQ(order, (std::vector<std::string>{"c:1"}));
    EXPECT_EQ(form->received, (std::vector<UINT>{0, 1}));
}

// A subscriber that ends its own subscription and another one while it is called.
struct SelfEnding {
    ui::Subscription* mine = nullptr;
    ui::Subscription* other = nullptr;
    int calls = 0;
    void Hook(MSG& msg, bool&) {
        if (msg.message == kProbe) {
            ++calls;
            mine->Reset();
            other->Reset();
        }
    }
};

TEST_F(UiFrameworkOnDesktop, SubscriptionsEndedDuringANoticeAreNotCalledAgain) {
    auto* form = ui::App().CreateForm<ProbeForm>();
    std::vector<std::string> order;
    HookLog older{&order, "older", 99};
    SelfEnding ending;
    ui::Subscription so = ui::App().SubscribeMessages(ui::MessageHook::Of<&HookLog::Hook>(&older));
    ui::Subscription se = ui::App().SubscribeMessages(ui::MessageHook::Of<&SelfEnding::Hook>(&ending));
    ending.mine = &se;
    ending.other = &so;
    PostMessageA(form->Handle(), kProbe, 5, 0);
    PostMessageA(form->Handle(), kProbe, 6, 0);
    uitest::Pump();
    EXPECT_EQ(ending.calls, 1);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(form->received, (std::vector<UINT>{5, 6}));
}

TEST_F(UiFrameworkOnDesktop, HookDoesNotSeeSentMessages) {
    auto* form = ui::App().CreateForm<ProbeForm>();
    std::vector<std::string> order;
    HookLog log{&order, "a", 99};
    ui::Subscription s = ui::App().SubscribeMessages(ui::MessageHook::Of<&HookLog::Hook>(&log));
    SendMessageA(form->Handle(), kProbe, 1, 0);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(form->received, (std::vector<UINT>{1}));
}

struct DeactivationLog {
    std::vector<int>* order;
    int id;
    void OnDeactivate() { order->push_back(id); }
};

TEST_F(UiFrameworkOnDesktop, DeactivationSubscribersAreToldOnlyOnLosingActivationLatestFirst) {
    std::vector<int> order;
    DeactivationLog a{&order, 1};
    DeactivationLog b{&order, 2};
    ui::Subscription sa = ui::App().SubscribeDeactivate(ui::Notify::Of<&DeactivationLog::OnDeactivate>(&a));
    ui::Subscription sb = ui::App().SubscribeDeactivate(ui::Notify::Of<&DeactivationLog::OnDeactivate>(&b));
    SendMessageA(ui::App().Handle(), WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(order.empty());
    SendMessageA(ui::App().Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    sb.Reset();
    SendMessageA(ui::App().Handle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 1}));
}

TEST_F(UiFrameworkOnDesktop, ApplicationWindowIsHiddenTopLevelWithTheExecutablesTitle) {
    HWND app = ui::App().Handle();
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(GetAncestor(app, GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(app));
    char caption[64] = {};
    GetWindowTextA(app, caption, sizeof caption);
    EXPECT_EQ(ui::App().Title(), caption);
    EXPECT_STREQ(caption, "unit_win");
    ShowWindow(app, SW_SHOWNOACTIVATE);
    ui::App().HideApplicationWindow();
    EXPECT_FALSE(IsWindowVisible(app));
}

TEST_F(UiFrameworkOnDesktop, FirstFormIsTheMainFormAndOnlyItsCloseEndsTheLoop) {
    auto* main = ui::App().CreateForm<ProbeForm>(TestLayout("Main"));
    auto* other = ui::App().CreateForm<ProbeForm>(TestLayout("Other"));
    EXPECT_EQ(ui::App().MainForm(), main);
    other->Show();
    PostMessageA(other->Handle(), WM_CLOSE, 0, 0);
    uitest::Pump();
    EXPECT_FALSE(other->Visible());
    EXPECT_FALSE(ui::App().Terminated());

    // Run returns once the main form is closed (WM_CLOSE to the application window
    // closes the main form, as a close from the taskbar would).
    PostMessageA(ui::App().Handle(), WM_CLOSE, 0, 0);
    ui::App().Run();
    EXPECT_TRUE(ui::App().Terminated());
}

TEST_F(UiFrameworkOnDesktop, FormIsBuiltFromItsLayout) {
    ui::FormLayout layout = TestLayout();
    layout.exStyleAdd = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW;
    layout.exStyleRemove = WS_EX_APPWINDOW;
    auto* form = ui::App().CreateForm<ProbeForm>(layout);
    HWND hwnd = form->Handle();
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "TUiTestForm");
    const auto ex = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    EXPECT_EQ(ex & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), DWORD(WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)) & (WS_CAPTION | WS_THICKFRAME), 0u);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), ui::App().Handle());
    EXPECT_EQ(form->ClientWidth(), 120);
    EXPECT_EQ(form->ClientHeight(), 80);
    EXPECT_EQ(form->Left(), 40);
    EXPECT_EQ(form->Top(), 30);
    EXPECT_FALSE(form->Visible());

    form->SetClientSize(200, 50);
    EXPECT_EQ(form->ClientWidth(), 200);
    EXPECT_EQ(form->ClientHeight(), 50);
    form->ModifyExStyle(WS_EX_NOACTIVATE, WS_EX_TOOLWINDOW);
    EXPECT_EQ(form->ExStyle() & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW), DWORD(WS_EX_NOACTIVATE));
}

TEST_F(UiFrameworkOnDesktop, FormReportsShowAndMove) {
    auto* form = ui::App().CreateForm<ProbeForm>();
    form->Show();
    EXPECT_EQ(form->shows, 1);
    EXPECT_TRUE(form->Visible());
    form->MoveTo(100, 110);
    ASSERT_FALSE(form->moves.empty());
    EXPECT_EQ(form->moves.back().x, 100);
    EXPECT_EQ(form->moves.back().y, 110);
    form->Hide();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->shows, 1);
}

// A form that follows changes of scale, told of one as the system tells it: within a
// move of the program's own (MoveTo, here from its WM_MOVE) or on its own (the user
// dragged it). It goes to the top-left the system suggests only in the latter, and
// learns the DPI in both.
class ScaledForm : public ui::Form {
public:
    ScaledForm() : ui::Form(Layout()) {}
    ~ScaledForm() override { DestroyHandle(); }
    int told = 0;  // the DPI to tell at the next move, 0: none
    std::vector<int> changes;

protected:
    static ui::FormLayout Layout() {
        ui::FormLayout layout = TestLayout();
        layout.followDpiChanges = true;
        return layout;
    }
    void DpiChanged(int dpi) override {
        changes.push_back(dpi);
        ui::Form::DpiChanged(dpi);
    }
    void FormMove() override {
        if (const int dpi = std::exchange(told, 0)) {
            RECT suggested{5, 6, 105, 106};
            SendMessageA(Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
    }
};

TEST_F(UiFrameworkOnDesktop, AFormTakesTheSuggestedPlaceOnAChangeOfScaleUnlessTheProgramPlacedIt) {
    auto* form = ui::App().CreateForm<ScaledForm>();
    struct Step {
        const char* what;
        int dpi;
        bool withinMoveTo;
        POINT expected;
        int expectedDpi;
    };
    const Step steps[] = {
        {"the program moves it onto a monitor at 150 %", 144, true, {300, 200}, 144},
        {"the user drags it to one at 200 %", 192, false, {5, 6}, 192},
        {"the program moves it onto one at 100 %", 96, true, {300, 200}, 96},
    };
    for (const Step& step : steps) {
        form->MoveTo(40, 50);
        if (step.withinMoveTo) {
            form->told = step.dpi;
            form->MoveTo(300, 200);
        } else {
            RECT suggested{5, 6, 105, 106};
            SendMessageA(form->Handle(), WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi),
                         reinterpret_cast<LPARAM>(&suggested));
        }
        EXPECT_EQ(form->Left(), step.expected.x) << step.what;
        EXPECT_EQ(form->Top(), step.expected.y) << step.what;
        EXPECT_EQ(form->Dpi(), step.expectedDpi) << step.what;
    }
    EXPECT_EQ(form->changes, (std::vector<int>{144, 192, 96})) << "each change told once";
    // A form that does not follow changes of scale is left where it is, at its DPI.
    auto* plain = ui::App().CreateForm<ProbeForm>();
    const int dpi = plain->Dpi();
    RECT suggested{5, 6, 105, 106};
    SendMessageA(plain->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_NE(plain->Left(), 5);
    EXPECT_EQ(plain->Dpi(), dpi);
}

TEST_F(UiFrameworkOnDesktop, ExceptionInAWindowProcedureShowsTheStandardErrorBox) {
    auto* form = ui::App().CreateForm<ProbeForm>();
    SendMessageA(form->Handle(), kThrow, 0, 0);
    ASSERT_EQ(testutil::Recorder().messages.size(), 1u);
    EXPECT_EQ(testutil::Recorder().messages[0], (testutil::ReportedMessage{"probe failure", "unit_win"}));
    // The window survives it.
    EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(UiFrameworkOnDesktop, TimerFiresWhileEnabledOnly) {
    ui::Timer timer(20, false);
    struct Count {
        int n = 0;
        void Tick() { ++n; }
    } count;
    timer.OnTimer = ui::Callback<>::Of<&Count::Tick>(&count);
    Sleep(60);
    uitest::Pump();
    EXPECT_EQ(count.n, 0);
    timer.SetEnabled(true);
    EXPECT_TRUE(uitest::PumpUntil([&] { return count.n >= 2; }));
    timer.SetEnabled(false);
    const int stopped = count.n;
    Sleep(80);
    uitest::Pump();
    EXPECT_EQ(count.n, stopped);
}

// A worker that hands three steps to the GUI thread and notes where they ran.
class StepThread : public ui::Thread {
public:
    StepThread(std::atomic<int>* destroyed, std::vector<DWORD>* stepThreads)
        : m_destroyed(destroyed), m_stepThreads(stepThreads) {}
    ~StepThread() override { ++*m_destroyed; }
    std::atomic<bool> handedOver{false};
    std::exception_ptr stepError;

protected:
    void Execute() override {
        for (int i = 0; i < 3; ++i) {
            // The GUI thread's vector is touched only on the GUI thread.
            Synchronize([this] { m_stepThreads->push_back(GetCurrentThreadId()); });
        }
        try {
            Synchronize([] { throw std::runtime_error("step failed"); });
        } catch (...) {
            stepError = std::current_exception();
        }
        handedOver = true;
    }

private:
    std::atomic<int>* m_destroyed;
    std::vector<DWORD>* m_stepThreads;
};

TEST_F(UiFrameworkOnDesktop, ThreadHandsStepsToTheGuiThreadAndWaits) {
    std::atomic<int> destroyed{0};
    std::vector<DWORD> stepThreads;
    StepThread thread(&destroyed, &stepThreads);
    Sleep(30);
    EXPECT_FALSE(thread.handedOver) << "a thread is created suspended";
    thread.Resume();
    ASSERT_TRUE(uitest::PumpUntil([&] { return thread.handedOver.load(); }));
    ASSERT_TRUE(thread.WaitFor(5000));
    EXPECT_EQ(stepThreads, (std::vector<DWORD>(3, GetCurrentThreadId())));
    ASSERT_TRUE(thread.stepError);
    EXPECT_THROW(std::rethrow_exception(thread.stepError), std::runtime_error);
}

struct TerminateLog {
    DWORD thread = 0;
    void OnTerminate(ui::Thread&) { thread = GetCurrentThreadId(); }
};

TEST_F(UiFrameworkOnDesktop, FreeOnTerminateThreadRunsItsCompletionOnTheGuiThreadAndFreesItself) {
    std::atomic<int> destroyed{0};
    std::vector<DWORD> stepThreads;
    TerminateLog log;
    auto* thread = new StepThread(&destroyed, &stepThreads);
    thread->SetFreeOnTerminate(true);
    thread->OnTerminate = ui::Callback<ui::Thread&>::Of<&TerminateLog::OnTerminate>(&log);
    thread->Resume();
    ASSERT_TRUE(uitest::PumpUntil([&] { return destroyed.load() == 1; }));
    EXPECT_EQ(log.thread, GetCurrentThreadId());
    EXPECT_EQ(stepThreads.size(), 3u);
}

TEST_F(UiFrameworkOnDesktop, ThreadNeverStartedIsDestroyedCleanly) {
    std::atomic<int> destroyed{0};
    std::vector<DWORD> stepThreads;
    { StepThread thread(&destroyed, &stepThreads); }
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(stepThreads.empty());
}

// Operations of the windows report a call from another thread, and only then.
TEST_F(UiFrameworkOnDesktop, WindowOperationsOffTheGuiThreadAreReported) {
    static std::vector<std::string> reported;
    reported.clear();
    const ui::ThreadViolationHandler previous = ui::SetThreadViolationHandler(
        ui::ThreadViolationHandler{[](void*, const char* operation) { reported.emplace_back(operation); }, nullptr});
    ProbeForm form;
    ui::Label label(form);
    struct Row {
        const char* operation;
        void (*call)(ProbeForm&, ui::Label&);
    };
    const Row rows[] = {
        {"SetBounds", [](ProbeForm&, ui::Label& l) { l.SetBounds(1, 2, 30, 10); }},
        {"SetVisible", [](ProbeForm&, ui::Label& l) { l.SetVisible(false); }},
        {"SetEnabled", [](ProbeForm&, ui::Label& l) { l.SetEnabled(false); }},
        {"SetFocus", [](ProbeForm& f, ui::Label&) { f.SetFocus(); }},
        {"SetVisible", [](ProbeForm& f, ui::Label&) { f.Hide(); }},
    };
    for (const Row& row : rows) {
        reported.clear();
        row.call(form, label);
        EXPECT_TRUE(reported.empty()) << row.operation << " on the GUI thread";
        std::thread([&] { row.call(form, label); }).join();
        EXPECT_EQ(reported, std::vector<std::string>{row.operation}) << "off the GUI thread";
    }
    ui::SetThreadViolationHandler(previous);
}

// Hands one step to the GUI thread; the GUI thread meanwhile waits for it.
class HandingOverThread : public ui::Thread {
public:
    std::atomic<bool> stepRan{false};

protected:
    void Execute() override {
        Synchronize([this] { stepRan = true; });
    }
};

TEST_F(UiFrameworkOnDesktop, GuiThreadWaitingForAWorkerStillRunsTheStepItHandsOver) {
    HandingOverThread thread;
    thread.Resume();
    EXPECT_TRUE(thread.WaitFor(10000)) << "the GUI thread and the worker wait for each other";
    EXPECT_TRUE(thread.stepRan);
}

TEST_F(UiFrameworkOnDesktop, StrayMessagesToTheHandOverWindowDoNothing) {
    HWND sync = FindWindowExA(HWND_MESSAGE, nullptr, "UiSyncWindow", nullptr);
    ASSERT_NE(sync, nullptr);
    // Numbers and pointers a hostile or confused sender might use.
    for (UINT message = WM_APP; message < WM_APP + 0x400; ++message) {
        SendMessageA(sync, message, 1, 0x12345678);
        SendMessageA(sync, message, 0, 0);
    }
    EXPECT_TRUE(IsWindow(sync));
}

TEST_F(UiFrameworkOnDesktop, IconFilesThatCannotBeReadRaiseTheFileOpenError) {
    ui::Icon icon;
    const std::string missing = lumen::ProgramFolder() + "no-such-icon.ico";
    try {
        icon.LoadFromFile(missing);
        FAIL() << "no error for a missing file";
    } catch (const ui::FileOpenError& e) {
        EXPECT_EQ(e.Path(), missing);
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    const std::string notAnIcon = lumen::ProgramFolder() + "ui-test-not-an-icon.ico";
    std::ofstream(notAnIcon) << "plain text, not an icon";
    EXPECT_THROW(icon.LoadFromFile(notAnIcon), ui::FileOpenError);
    DeleteFileA(notAnIcon.c_str());
    EXPECT_TRUE(icon.Empty());
}

TEST_F(UiFrameworkOnDesktop, IconLoadsAtTheSmallIconSize) {
    ui::Icon icon;
    icon.LoadFromFile(ui::ResourceFolder() + "Q_Button.ico");
    ASSERT_FALSE(icon.Empty());
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon.Handle(), &info));
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    ui::Icon copy;
    copy.Assign(icon);
    EXPECT_NE(copy.Handle(), icon.Handle());
    EXPECT_FALSE(copy.Empty());
}

}  // namespace
