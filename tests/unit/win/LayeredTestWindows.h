#pragma once
// Real windows for the tests of the layered and shaped windows: a form and an image
// control behind the makers' narrow interfaces (what the framework's form and image
// offer them), a plain coloured window to look through, and screen captures.
//
// The test windows live in the lower left of the screen, where none of the
// program's own windows (settings at the lower right, display in the middle, badge at
// the upper right, dialog at the upper left) would be.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/TShapedForm.h"

namespace testwin {

constexpr int kAreaLeft = 40;
constexpr int kAreaTop = 420;

// Handles queued messages for `ms` milliseconds.
inline void Pump(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// The screen's pixels in `r`, 32 bits (alpha not meaningful).
inline lumen::DibBitmap Capture(const RECT& r) {
    lumen::DibBitmap shot(r.right - r.left, r.bottom - r.top, lumen::PixelFormat::Bgra32);
    HDC screen = GetDC(nullptr);
    {
        lumen::BitmapCanvas canvas(shot);
        BitBlt(canvas.Dc(), 0, 0, shot.Width(), shot.Height(), screen, r.left, r.top, SRCCOPY);
    }
    ReleaseDC(nullptr, screen);
    return shot;
}

inline bool Near(lumen::Bgra got, int r, int g, int b, int tolerance) {
    return std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance && std::abs(got.b - b) <= tolerance;
}

inline std::string Describe(lumen::Bgra p) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", p.r, p.g, p.b);
    return text;
}

// Captures `r` until `ok` holds for the capture or `ms` pass; the compositor needs a
// few frames to show a change. Returns the last capture.
inline lumen::DibBitmap CaptureWhen(const RECT& r, const std::function<bool(const lumen::Bitmap&)>& ok, int ms = 8000) {
    const DWORD start = GetTickCount();
    while (true) {
        Pump(40);
        lumen::DibBitmap shot = Capture(r);
        if (ok(shot) || GetTickCount() - start > static_cast<DWORD>(ms)) {
            return shot;
        }
    }
}

// A window class of the tests, registered once.
inline const char* TestClass() {
    static const char* name = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "SurgepadTestWindow";
        RegisterClassA(&wc);
        return "SurgepadTestWindow";
    }();
    return name;
}

// A window with its own message handler (a std::function), destroyed with the object.
class TestWindow {
public:
    using Handler = std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)>;

    TestWindow(DWORD style, DWORD exStyle, int x, int y, int w, int h, HWND parent, const char* caption = "") {
        m_hwnd = CreateWindowExA(exStyle, TestClass(), caption, style, x, y, w, h, parent, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        if (m_hwnd != nullptr) {
            SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_previous = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TestWindow::Proc)));
        }
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    virtual ~TestWindow() {
        if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
            DestroyWindow(m_hwnd);
        }
    }

    HWND Hwnd() const { return m_hwnd; }
    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    // Every message the window's own procedure saw, in order.
    std::vector<UINT> seen;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self == nullptr) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        self->seen.push_back(message);
        LRESULT result = 0;
        if (self->m_handler && self->m_handler(message, wParam, lParam, &result)) {
            return result;
        }
        return CallWindowProcA(self->m_previous, hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    WNDPROC m_previous = nullptr;
    Handler m_handler;
};

// A top-level window painted in one colour.
class SolidWindow : public TestWindow {
public:
    SolidWindow(int x, int y, int w, int h, COLORREF color)
        : TestWindow(WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, x, y, w, h, nullptr) {
        SetHandler([this, color](UINT message, WPARAM, LPARAM, LRESULT* result) {
            if (message == WM_PAINT) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Hwnd(), &ps);
                HBRUSH brush = CreateSolidBrush(color);
                RECT rc;
                GetClientRect(Hwnd(), &rc);
                FillRect(dc, &rc, brush);
                DeleteObject(brush);
                EndPaint(Hwnd(), &ps);
                *result = 0;
                return true;
            }
            return false;
        });
    }
};

// A form for the shaping makers: starts with a caption and a frame, paints its colour,
// and keeps WM_NCLBUTTONDOWN from starting the system's move loop in a test.
class TestForm : public TestWindow, public lumen::ShapedFormSite {
public:
    TestForm(int x, int y, std::string name, bool scaled = false)
        : TestWindow(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, x, y, 200, 150, nullptr,
                     name.c_str()),
          m_name(std::move(name)),
          m_scaled(scaled) {
        SetHandler([this](UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
            if (message == WM_NCLBUTTONDOWN) {
                nclButtonDowns.push_back(static_cast<int>(wParam));
                *result = 0;
                return true;
            }
            if (message == WM_PAINT) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Hwnd(), &ps);
                HBRUSH brush = CreateSolidBrush(color);
                FillRect(dc, &ps.rcPaint, brush);
                DeleteObject(brush);
                EndPaint(Hwnd(), &ps);
                *result = 0;
                return true;
            }
            return false;
        });
    }

    HWND Handle() const override { return Hwnd(); }
    std::string Name() const override { return m_name; }
    bool Scaled() const override { return m_scaled; }
    void SetBorderNone() override {
        const LONG_PTR style = GetWindowLongPtrA(Hwnd(), GWL_STYLE);
        SetWindowLongPtrA(Hwnd(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_OVERLAPPEDWINDOW)) | WS_POPUP);
        SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    void SetClientSize(int width, int height) override {
        RECT r = {0, 0, width, height};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_EXSTYLE)));
        SetWindowPos(Hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void SetColor(COLORREF c) override {
        color = c;
        InvalidateRect(Hwnd(), nullptr, TRUE);
    }

    COLORREF color = RGB(128, 128, 128);
    std::vector<int> nclButtonDowns;

private:
    std::string m_name;
    bool m_scaled;
};

// A picture control: a child window that paints its picture and reports presses.
class TestImage : public TestWindow, public lumen::ShapedImageSite {
public:
    TestImage(HWND parent, lumen::ShapedFormSite* form, int w, int h)
        : TestWindow(WS_CHILD | WS_VISIBLE, 0, 0, 0, w, h, parent), m_form(form) {
        picture.SetPixelFormat(lumen::PixelFormat::Bgr24);
        SetHandler([this](UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
            const int x = static_cast<short>(LOWORD(lParam));
            const int y = static_cast<short>(HIWORD(lParam));
            switch (message) {
                case WM_PAINT: {
                    PAINTSTRUCT ps;
                    HDC dc = BeginPaint(Hwnd(), &ps);
                    lumen::BitmapCanvas canvas(picture);
                    BitBlt(dc, 0, 0, picture.Width(), picture.Height(), canvas.Dc(), 0, 0, SRCCOPY);
                    EndPaint(Hwnd(), &ps);
                    *result = 0;
                    return true;
                }
                case WM_LBUTTONDOWN:
                    m_onMouseDown(lumen::MouseButton::Left, x, y);
                    return true;
                case WM_RBUTTONDOWN:
                    m_onMouseDown(lumen::MouseButton::Right, x, y);
                    return true;
                default:
                    return false;
            }
        });
    }

    lumen::ShapedFormSite* ParentForm() override { return m_form; }
    const lumen::Bitmap& Picture() const override { return picture; }
    void SetAutoSize(bool autoSize) override {
        autoSized = autoSize;
        if (autoSize) {
            SetWindowPos(Hwnd(), nullptr, 0, 0, picture.Width(), picture.Height(),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    int Width() const override {
        RECT r;
        GetClientRect(Hwnd(), &r);
        return r.right;
    }
    int Height() const override {
        RECT r;
        GetClientRect(Hwnd(), &r);
        return r.bottom;
    }
    lumen::MouseDownHandler SetOnMouseDown(lumen::MouseDownHandler handler) override {
        const lumen::MouseDownHandler previous = m_onMouseDown;
        m_onMouseDown = handler;
        return previous;
    }
    lumen::MouseDownHandler OnMouseDown() const { return m_onMouseDown; }

    lumen::DibBitmap picture;
    bool autoSized = false;

private:
    lumen::ShapedFormSite* m_form;
    lumen::MouseDownHandler m_onMouseDown;
};

}  // namespace testwin
