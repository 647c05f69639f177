#pragma once
// The application object: the hidden top-level application window (the one that
// would carry the taskbar button), the forms it owns, the message loop with its
// process-wide message-hook slot, the deactivation slot and the standard error box.

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/Callback.h"
#include "ui/Window.h"

namespace ui {

class Form;

// Sees a queued message before it is dispatched; setting `handled` keeps it from
// being dispatched. Every subscriber sees every queued message, the latest
// subscriber first, with `handled` as the subscribers before it left it.
using MessageHook = Callback<MSG&, bool&>;
// Called when the program loses activation to another application.
using Notify = Callback<>;
// Called when a window of another program comes to the front, with that window.
using ForegroundNotify = Callback<HWND>;

class Application;

// One subscription to the application's message hook, deactivation notice or
// foreground notice; it ends when this object goes or is reset. Subscriptions end in
// any order.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    explicit operator bool() const { return m_id != 0; }
    void Reset();

private:
    friend class Application;
    enum class Kind : unsigned char { Hook, Deactivate, Foreground };
    Subscription(Kind kind, unsigned id) : m_kind(kind), m_id(id) {}

    Kind m_kind = Kind::Hook;
    unsigned m_id = 0;
};

class Application : private Window {
public:
    static Application& Instance();

    // Creates the hidden application window. Call once on the GUI thread.
    void Initialize();
    bool Initialized() const { return HandleAllocated(); }

    // The application window; broadcasts reach it like any top-level window.
    HWND Handle() const { return Window::Handle(); }
    DWORD GuiThreadId() const { return m_guiThread; }
    const std::string& Title() const { return m_title; }
    HICON Icon() const { return m_icon; }

    // Whether Run shows the main form by itself.
    void SetShowMainForm(bool show) { m_showMainForm = show; }
    bool ShowMainForm() const { return m_showMainForm; }

    // Creates a form owned by the application. The first form created becomes the
    // main form: closing it ends Run. Exceptions of the constructor propagate.
    template <class F, class... A>
    F* CreateForm(A&&... args) {
        auto form = std::make_unique<F>(std::forward<A>(args)...);
        F* raw = form.get();
        Adopt(std::move(form));
        return raw;
    }
    Form* MainForm() const { return m_mainForm; }

    // Runs the message loop until the main form closes or Terminate is called.
    void Run();
    // Handles one queued message, if any; false when the queue was empty.
    bool ProcessMessage();
    // Handles queued messages until the queue is empty (also from tests).
    void ProcessMessages();
    // Ends Run after the current message.
    void Terminate();
    bool Terminated() const { return m_terminated; }

    // Hides the application window (and with it any taskbar button).
    void HideApplicationWindow();

    [[nodiscard]] Subscription SubscribeMessages(MessageHook hook);
    [[nodiscard]] Subscription SubscribeDeactivate(Notify handler);
    // The system's foreground event, out of context: it arrives in this thread's message
    // loop and nothing runs while no window comes to the front. One hook serves every
    // subscriber and is there only while one is. Under Wine the system leaves the event
    // out; a program that takes the front announces it (NotifyWinEvent).
    [[nodiscard]] Subscription SubscribeForeground(ForegroundNotify handler);

    // The standard error box: the exception's message, captioned with the title.
    void ShowException(const std::exception& e);
    // Where exceptions that reach a window procedure or the loop end up.
    void HandleException(const std::exception& e);

    // Destroys the forms, the last created first. The application window stays.
    void DestroyForms();

    // Called on the GUI thread when the session is about to end (WM_QUERYENDSESSION,
    // and WM_ENDSESSION before the loop is ended): the process may be ended soon after
    // the application window has answered, so work that must not be cut short is
    // finished here.
    Notify OnSessionEnding;

    // Runs `step` on the GUI thread and waits for it (directly when called on it).
    // False when the GUI thread cannot take it (no application window any more).
    // An exception of the step is rethrown on the calling thread.
    template <class F>
    bool Synchronize(F&& step) {
        struct Holder final : SyncStep {
            explicit Holder(F& f) : fn(f) {}
            void Run() override { fn(); }
            F& fn;
        } holder(step);
        return RunSynchronized(holder);
    }

    struct SyncStep {
        virtual ~SyncStep() = default;
        virtual void Run() = 0;
        std::exception_ptr error;
    };
    bool RunSynchronized(SyncStep& step);

private:
    // One queued message: the hook first, then, unless it handled it, the window.
    void Dispatch(MSG& msg);
    friend class Form;
    Application();
    ~Application() override = default;

    void Adopt(std::unique_ptr<Form> form);
    void FormDestroyed(Form* form);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::vector<std::unique_ptr<Form>> m_forms;
    Form* m_mainForm = nullptr;
    bool m_showMainForm = true;
    bool m_terminated = false;
    DWORD m_guiThread = 0;
    std::string m_title;
    HICON m_icon = nullptr;
    template <class Slot>
    struct Subscriber {
        unsigned id;
        Slot slot;
    };
    friend class Subscription;
    void Unsubscribe(Subscription::Kind kind, unsigned id);
    static void CALLBACK ForegroundEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                         DWORD thread, DWORD time);
    void HookForeground(bool wanted);
    void Sweep();
    // Subscribers may end their own or other subscriptions while they are called: an
    // ended one is emptied at once and swept out when no notice is going on.
    struct NotifyScope {
        explicit NotifyScope(Application& app) : m_app(app) { ++m_app.m_notifying; }
        ~NotifyScope() {
            if (--m_app.m_notifying == 0) {
                m_app.Sweep();
            }
        }
        Application& m_app;
    };

    std::vector<Subscriber<MessageHook>> m_hooks;
    std::vector<Subscriber<Notify>> m_deactivateHandlers;
    std::vector<Subscriber<ForegroundNotify>> m_foregroundHandlers;
    HWINEVENTHOOK m_foregroundHook = nullptr;
    unsigned m_nextSubscription = 0;
    int m_notifying = 0;
    class SyncWindow;
    std::unique_ptr<SyncWindow> m_sync;
};

inline Application& App() {
    return Application::Instance();
}

}  // namespace ui
