#pragma once
// The thin window base every window of the program stands on: one static window
// procedure that finds the object through GWLP_USERDATA and forwards every message
// to one virtual handler.

#include <windows.h>

#include <string>

namespace ui {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return m_handle; }
    bool HandleAllocated() const { return m_handle != nullptr; }

    // HWND_MESSAGE as parent makes a message-only window: no broadcasts, never shown.
    struct CreateParams {
        const char* className = "UiWindow";
        const char* caption = "";
        DWORD style = WS_POPUP;
        DWORD exStyle = 0;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        HWND parent = nullptr;
        HICON icon = nullptr;
        UINT classStyle = 0;
        // A child window's control id.
        UINT_PTR id = 0;
    };

protected:
    // Creates the window; throws ui::Error when the system refuses.
    void CreateHandle(const CreateParams& params);
    // Destroys the window (if any). Safe to call twice.
    void DestroyHandle();

    // Every message of the window. The base passes it to DefaultHandler.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // Called when the window is gone (WM_NCDESTROY), before the object forgets it.
    virtual void HandleDestroyed() {}

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND m_handle = nullptr;
};

}  // namespace ui
