#pragma once
// Controls: anything placed on a parent window. A `GraphicControl` has no window of its
// own; its parent paints it, in z-order, into the parent's back buffer. A
// `WinControl` (ui/WinControl.h) is a window that takes input and holds controls.
// Controls do not own each other: whoever creates a control keeps it, and a control
// leaves its parent's list when it is destroyed.

#include <windows.h>

#include <memory>
#include <string>

#include "lumen/graphics/DibBitmap.h"
#include "ui/Callback.h"

namespace ui {

class WinControl;

// The modifier keys and mouse buttons held during an input event.
enum ShiftFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using ShiftState = unsigned;

// Where a graphic control paints: the parent's back buffer, with the origin moved to
// the control's top-left and the clip set to its area. `Buffer` holds what the parent
// and the controls below this one have painted so far (rows top-down), so a control
// can blend over it; its pixel (x, y) is the control's (x - Origin().x, ...).
class Canvas {
public:
    Canvas(HDC dc, lumen::DibBitmap& buffer, POINT origin) : m_dc(dc), m_buffer(buffer), m_origin(origin) {}
    HDC Dc() const { return m_dc; }
    lumen::DibBitmap& Buffer() const { return m_buffer; }
    POINT Origin() const { return m_origin; }

private:
    HDC m_dc;
    lumen::DibBitmap& m_buffer;
    POINT m_origin;
};

// The life of a control as seen by code that runs one of its handlers. The rule of
// the framework: a handler may destroy the control that called it, so whoever runs a
// handler (an event slot, or a virtual that can reach one) takes a guard first and
// reads no member once the guard says the control ended.
class LifeGuard {
public:
    explicit LifeGuard(const std::shared_ptr<const bool>& life) : m_life(life) {}
    bool Ended() const { return m_life.expired(); }

private:
    std::weak_ptr<const bool> m_life;
};

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    WinControl* Parent() const { return m_parent; }
    LifeGuard Guard() const { return LifeGuard(m_life); }
    // Runs a handler under a guard: false when the handler ended the control, and the
    // caller then returns without reading a member.
    template <typename Run>
    bool Survives(Run&& run) {
        const LifeGuard guard = Guard();
        run();
        return !guard.Ended();
    }
    // The class name the control goes by ("KrRadioButton", "TLabel").
    virtual const char* ClassName() const = 0;
    // The DPI the control is drawn at: its form's (a control not on a form yet, the
    // system's).
    virtual int Dpi() const;
    // `pixels` at 96 DPI, at the control's DPI.
    int Px(int pixels) const;
    virtual bool IsWindowed() const { return false; }

    // Position in the parent's client area (a form: on the screen) and size.
    virtual int Left() const { return m_bounds.left; }
    virtual int Top() const { return m_bounds.top; }
    int Width() const { return m_bounds.right - m_bounds.left; }
    int Height() const { return m_bounds.bottom - m_bounds.top; }
    RECT BoundsRect() const { return m_bounds; }
    RECT ClientRect() const { return RECT{0, 0, Width(), Height()}; }
    // Asks for new bounds; CanResize may change the size first. Repaints as needed.
    virtual void SetBounds(int left, int top, int width, int height);
    void SetPosition(int left, int top) { SetBounds(left, top, Width(), Height()); }
    void SetSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

    virtual bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    // The hint shows as a tooltip over the control.
    const std::string& Hint() const { return m_hint; }
    void SetHint(const std::string& hint);

    // Marks the control's area for painting.
    virtual void Invalidate();
    // Paints at once what is marked.
    virtual void Update();

    // Fired by Click and DblClick.
    Callback<Control&> OnClick;
    Callback<Control&> OnDblClick;
    virtual void Click();
    virtual void DblClick();

protected:
    // A control without parent is a top-level window (a form).
    explicit Control(WinControl* parent);

    // A size request: return the size to take instead (the base grants it).
    virtual void CanResize(int& width, int& height) { (void)width, (void)height; }
    // The bounds changed (after the window, if any, moved).
    virtual void Resized() {}
    virtual void EnabledChanged() {}
    virtual void VisibleChanged() {}
    // Lets a windowed control apply what the base stored.
    virtual void ApplyBounds() {}
    virtual void ApplyEnabled() {}
    virtual void ApplyVisible() {}

    void StoreBounds(const RECT& bounds) { m_bounds = bounds; }
    void StoreEnabled(bool enabled) { m_enabled = enabled; }
    void StoreVisible(bool visible) { m_visible = visible; }

private:
    friend class WinControl;
    WinControl* m_parent;
    RECT m_bounds = {};
    bool m_visible = true;
    bool m_enabled = true;
    std::string m_hint;
    std::shared_ptr<const bool> m_life = std::make_shared<const bool>(true);
};

class GraphicControl : public Control {
public:
    // Paints the control; (0, 0) is its top-left. The clip keeps it inside.
    virtual void Paint(Canvas& canvas) = 0;

protected:
    explicit GraphicControl(WinControl& parent);
};

}  // namespace ui
