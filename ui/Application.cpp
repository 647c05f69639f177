#include "ui/Application.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"
#include "ui/Error.h"
#include "ui/Form.h"
#include "ui/ThreadCheck.h"
#include "ui/WinControl.h"

namespace ui {
namespace {

// The hand-over message of Synchronize. It travels only to the message-only
// dispatch window, and a step runs only when this process registered it, so a
// stray or hostile message with this number does nothing.
constexpr UINT kSyncMessage = WM_APP + 0x3A1;

std::string ExecutableTitle() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, n < MAX_PATH ? n : 0);
    const auto slash = full.find_last_of("\\/");
    std::string base = slash == std::string::npos ? full : full.substr(slash + 1);
    const auto dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    return base;
}

}  // namespace

class Application::SyncWindow final : public Window {
public:
    SyncWindow() {
        CreateParams p;
        p.className = "UiSyncWindow";
        p.style = 0;
        p.parent = HWND_MESSAGE;
        CreateHandle(p);
    }
    ~SyncWindow() override { DestroyHandle(); }

    void Register(SyncStep* step) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.insert(step);
    }
    void Unregister(SyncStep* step) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.erase(step);
    }

private:
    bool IsPending(SyncStep* step) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pending.count(step) != 0;
    }

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kSyncMessage) {
            return DefaultHandler(message, wParam, lParam);
        }
        auto* step = reinterpret_cast<SyncStep*>(lParam);
        if (!IsPending(step)) {
            return 0;
        }
        try {
            step->Run();
        } catch (...) {
            step->error = std::current_exception();
        }
        return 1;
    }

    std::mutex m_lock;
    std::set<SyncStep*> m_pending;
};

Application& Application::Instance() {
    // Created on first use and kept to the end of the process: windows must not be
    // torn down by static destructors after the loop has gone.
    static Application* instance = new Application;
    return *instance;
}

Application::Application() : m_title(ExecutableTitle()) {}

void Application::Initialize() {
    if (HandleAllocated()) {
        return;
    }
    m_guiThread = GetCurrentThreadId();
    SetGuiThread(m_guiThread);
    m_icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    if (m_icon == nullptr) {
        m_icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    }
    CreateParams p;
    p.className = "TApplication";
    p.caption = m_title.c_str();
    p.style = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
    p.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    p.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    p.icon = m_icon;
    CreateHandle(p);
    m_sync = std::make_unique<SyncWindow>();
}

void Application::Adopt(std::unique_ptr<Form> form) {
    if (m_mainForm == nullptr) {
        m_mainForm = form.get();
    }
    m_forms.push_back(std::move(form));
}

void Application::FormDestroyed(Form* form) {
    if (form == m_mainForm && !m_terminated) {
        Terminate();
    }
}

void Application::Run() {
    if (m_showMainForm && m_mainForm != nullptr) {
        m_mainForm->Show();
    }
    while (!m_terminated) {
        MSG msg;
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            m_terminated = true;
            break;
        }
        Dispatch(msg);
    }
}

bool Application::ProcessMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    if (msg.message == WM_QUIT) {
        m_terminated = true;
        return true;
    }
    Dispatch(msg);
    return true;
}

void Application::Dispatch(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        NoteKeyboardUse();
    }
    bool handled = false;
    try {
        {
            NotifyScope scope(*this);
            for (size_t i = m_hooks.size(); i-- > 0;) {
                const MessageHook hook = m_hooks[i].slot;
                hook(msg, handled);
            }
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

void Application::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void Application::Terminate() {
    if (GetCurrentThreadId() == m_guiThread) {
        PostQuitMessage(0);
    } else {
        PostThreadMessageA(m_guiThread, WM_QUIT, 0, 0);
    }
}

void Application::HideApplicationWindow() {
    if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

Subscription::Subscription(Subscription&& other) noexcept : m_kind(other.m_kind), m_id(std::exchange(other.m_id, 0u)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        Reset();
        m_kind = other.m_kind;
        m_id = std::exchange(other.m_id, 0u);
    }
    return *this;
}

void Subscription::Reset() {
    if (m_id != 0) {
        Application::Instance().Unsubscribe(m_kind, std::exchange(m_id, 0u));
    }
}

Subscription Application::SubscribeMessages(MessageHook hook) {
    const unsigned id = ++m_nextSubscription;
    m_hooks.push_back({id, hook});
    return Subscription(Subscription::Kind::Hook, id);
}

Subscription Application::SubscribeDeactivate(Notify handler) {
    const unsigned id = ++m_nextSubscription;
    m_deactivateHandlers.push_back({id, handler});
    return Subscription(Subscription::Kind::Deactivate, id);
}

Subscription Application::SubscribeForeground(ForegroundNotify handler) {
    const unsigned id = ++m_nextSubscription;
    m_foregroundHandlers.push_back({id, handler});
    HookForeground(true);
    return Subscription(Subscription::Kind::Foreground, id);
}

void Application::HookForeground(bool wanted) {
    if (wanted && m_foregroundHook == nullptr) {
        m_foregroundHook =
            SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &Application::ForegroundEvent, 0,
                            0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        if (m_foregroundHook == nullptr) {
            lumen::Trace("application: the foreground hook was refused, error %lu", GetLastError());
        }
    } else if (!wanted && m_foregroundHook != nullptr) {
        UnhookWinEvent(std::exchange(m_foregroundHook, nullptr));
    }
}

void CALLBACK Application::ForegroundEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                                           DWORD) {
    if (event != EVENT_SYSTEM_FOREGROUND || object != OBJID_WINDOW || child != CHILDID_SELF || window == nullptr) {
        return;
    }
    Application& app = Instance();
    NotifyScope scope(app);
    for (size_t i = app.m_foregroundHandlers.size(); i-- > 0;) {
        const ForegroundNotify handler = app.m_foregroundHandlers[i].slot;
        handler(window);
    }
}

void Application::Unsubscribe(Subscription::Kind kind, unsigned id) {
    auto empty = [id](auto& list) {
        for (auto& s : list) {
            if (s.id == id) {
                s.slot = {};
            }
        }
    };
    switch (kind) {
        case Subscription::Kind::Hook:
            empty(m_hooks);
            break;
        case Subscription::Kind::Deactivate:
            empty(m_deactivateHandlers);
            break;
        case Subscription::Kind::Foreground:
            empty(m_foregroundHandlers);
            break;
    }
    if (m_notifying == 0) {
        Sweep();
    }
}

void Application::Sweep() {
    auto sweep = [](auto& list) { std::erase_if(list, [](const auto& s) { return !s.slot; }); };
    sweep(m_hooks);
    sweep(m_deactivateHandlers);
    sweep(m_foregroundHandlers);
    HookForeground(!m_foregroundHandlers.empty());
}

void Application::ShowException(const std::exception& e) {
    std::string text = e.what();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    lumen::ShowMessage(text, m_title);
}

void Application::HandleException(const std::exception& e) {
    lumen::Trace("error: %s", e.what());
    ShowException(e);
}

void Application::DestroyForms() {
    while (!m_forms.empty()) {
        std::unique_ptr<Form> last = std::move(m_forms.back());
        m_forms.pop_back();
        if (last.get() == m_mainForm) {
            m_mainForm = nullptr;
        }
        last.reset();
    }
    m_mainForm = nullptr;
    m_terminated = false;
    // A quit request left by the closed main form belongs to the finished session.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

bool Application::RunSynchronized(SyncStep& step) {
    if (GetCurrentThreadId() == m_guiThread) {
        step.Run();
        return true;
    }
    SyncWindow* sync = m_sync.get();
    if (sync == nullptr || !IsWindow(sync->Handle())) {
        return false;
    }
    sync->Register(&step);
    const LRESULT done = SendMessageA(sync->Handle(), kSyncMessage, 0, reinterpret_cast<LPARAM>(&step));
    sync->Unregister(&step);
    if (step.error) {
        std::rethrow_exception(step.error);
    }
    return done == 1;
}

LRESULT Application::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            // Closing the application window closes the program, as its main form.
            if (m_mainForm != nullptr) {
                m_mainForm->Close();
            }
            return 0;
        case WM_ACTIVATEAPP:
            if (wParam == FALSE) {
                NotifyScope scope(*this);
                for (size_t i = m_deactivateHandlers.size(); i-- > 0;) {
                    const Notify handler = m_deactivateHandlers[i].slot;
                    handler();
                }
            }
            break;
        case WM_QUERYENDSESSION:
            OnSessionEnding();
            break;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                OnSessionEnding();
                Terminate();
            }
            return 0;
        default:
            break;
    }
    return DefaultHandler(message, wParam, lParam);
}

}  // namespace ui
