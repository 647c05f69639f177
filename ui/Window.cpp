#include "ui/Window.h"

#include <map>
#include <mutex>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Report.h"
#include "ui/Application.h"
#include "ui/Error.h"

namespace ui {
namespace {

// Registers a window class once per process; every class shares the one procedure.
// A class is registered with one style for good: a second wish for another style
// (double clicks, say) would silently not be granted, so it is a programming error.
ATOM EnsureClass(const char* name, UINT style, HICON icon, WNDPROC proc) {
    static std::mutex lock;
    static std::map<std::string, UINT> registered;
    std::unique_lock<std::mutex> guard(lock);
    if (const auto it = registered.find(name); it != registered.end()) {
        const bool sameStyle = it->second == style;
        guard.unlock();
        LUMEN_ASSERT_AS(sameStyle, "window class registered again with another style");
        return 1;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = name;
    if (RegisterClassExA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return 0;
    }
    registered.emplace(name, style);
    return 1;
}

}  // namespace

Window::~Window() {
    DestroyHandle();
}

void Window::CreateHandle(const CreateParams& p) {
    if (m_handle != nullptr) {
        return;
    }
    if (EnsureClass(p.className, p.classStyle, p.icon, &Window::StaticProc) == 0) {
        throw Error(std::string("Cannot register the window class ") + p.className);
    }
    HWND hwnd = CreateWindowExA(p.exStyle, p.className, p.caption, p.style, p.x, p.y, p.width, p.height, p.parent,
                                reinterpret_cast<HMENU>(p.id), GetModuleHandleA(nullptr), this);
    if (hwnd == nullptr) {
        const DWORD error = GetLastError();
        throw Error(std::string("Error creating window of class ") + p.className + " (error " + std::to_string(error) +
                    ")");
    }
    m_handle = hwnd;
}

void Window::DestroyHandle() {
    if (m_handle != nullptr) {
        HWND hwnd = m_handle;
        DestroyWindow(hwnd);
        // A window of another thread cannot be destroyed from here; forget it anyway so
        // its procedure no longer reaches this object.
        if (m_handle != nullptr) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            m_handle = nullptr;
        }
    }
}

LRESULT Window::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(message, wParam, lParam);
}

LRESULT Window::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(m_handle, message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_handle = hwnd;
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->WndProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        Application::Instance().HandleException(e);
    } catch (...) {
        Application::Instance().HandleException(Error("Unknown error"));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_handle = nullptr;
        self->HandleDestroyed();
    }
    return result;
}

}  // namespace ui
