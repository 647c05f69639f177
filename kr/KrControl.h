#pragma once
// The base of the skinned controls: turns mouse and keyboard input into four looks
// (raised, sunken, focused, disabled), reports the mouse entering and leaving, and
// can refuse clicks. Subclasses show the looks; the base only decides which.

#include <string>

#include "ui/Callback.h"
#include "ui/WinControl.h"

namespace kr {

class KrAccessible;

class KrControl : public ui::WinControl {
public:
    ~KrControl() override;

    bool ShowMouseOver() const { return m_showMouseOver; }
    void SetShowMouseOver(bool show);
    bool ClicksDisabled() const { return m_clicksDisabled; }
    void SetClicksDisabled(bool disabled);

    bool MouseInside() const { return m_mouseInside; }
    bool KeyPressed() const { return m_keyPressed; }
    bool MousePressed() const { return m_mousePressed; }
    // Whether the control holds the keyboard focus, as its focus notices said.
    bool HasFocus() const { return m_hasFocus; }

    ui::Callback<KrControl&> OnMouseEnter;
    ui::Callback<KrControl&> OnMouseLeave;

    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    virtual void ShowRaised() {}
    virtual void ShowDisabled() { ShowRaised(); }
    virtual void ShowFocused() { ShowRaised(); }
    virtual void ShowSunken() { ShowRaised(); }
    // Whether (x, y) of the client area belongs to the control.
    virtual bool IsInside(int x, int y) const;

    // What a screen reader is told of the control. The name: the one set here (the
    // text of a label beside the control, say), else the caption, else the hint.
    void SetAccessibleName(const std::string& name) { m_accessibleName = name; }
    std::string AccessibleName() const;
    // The MSAA role (ROLE_SYSTEM_...); 0 leaves the window to the system's standard
    // object, with neither name nor role of the control's own.
    virtual long AccessibleRole() const { return 0; }
    // STATE_SYSTEM_... flags: unavailable while disabled, else focusable when it is a
    // tab stop; focused, checked, invisible as the control is.
    virtual long AccessibleState() const;

protected:
    KrControl(ui::WinControl& parent, const ui::ControlClass& cls, bool clicksDisabled, int left, int top, int width,
              int height);

    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseLeave() override;
    void CaptureLost() override;
    void KeyDown(WORD& key, ui::ShiftState shift) override;
    void KeyUp(WORD& key, ui::ShiftState shift) override;
    void FocusGained() override;
    void FocusLost() override;
    bool DrawsFocusCue() const override { return TabStop(); }
    void EnabledChanged() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The caption a reader should hear when no name was set (empty: none).
    virtual std::string AccessibleCaption() const { return {}; }

    // The look after a release: focused while hovered (with ShowMouseOver) or
    // focused, else raised.
    void ShowReleaseLook();

private:
    void Press();
    void Enter(ui::ShiftState shift);
    void Leave();
    void EndPress();
    void EndHover();

    bool m_showMouseOver = true;
    bool m_clicksDisabled;
    bool m_mouseInside = false;
    bool m_keyPressed = false;
    bool m_mousePressed = false;
    bool m_hasFocus = false;
    std::string m_accessibleName;
    // Made on the first WM_GETOBJECT and disconnected when the control goes.
    KrAccessible* m_accessible = nullptr;
};

}  // namespace kr
