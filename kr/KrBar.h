#pragma once
// The package's scroll bar: a brick whose pictures are the track, with an indicator
// picture the user drags along one axis. The position runs from 0 to Length while
// dragged (a position set directly is taken as it is); the indicator is centred on the
// origin point moved by the position, and the events let the owner follow or correct
// each step.

#include <memory>

#include "kr/KrBrick.h"
#include "ui/Callback.h"
#include "ui/Image.h"

namespace kr {

class KrBar;

enum KrBarKind { bkHorizontal = 0, bkVertical = 1 };

// The point the indicator's centre sits on at position 0 (client coordinates of the bar).
class KrBarOrigin {
public:
    int X() const { return m_x; }
    int Y() const { return m_y; }
    void SetX(int x);
    void SetY(int y);
    void Assign(const KrBarOrigin& other);

    // Told after either coordinate was set.
    ui::Callback<> OnChange;

private:
    int m_x = 0;
    int m_y = 0;
};

class KrBar : public KrBrick {
public:
    static constexpr ui::ControlClass kClass = {"KrBar", true};

    KrBar(ui::WinControl& parent, int left = 0, int top = 0, int width = 0, int height = 0);
    ~KrBar() override;
    const char* ClassName() const override { return "KrBar"; }

    // The indicator's picture; setting copies it and places the indicator.
    const lumen::Bitmap& Indicator() const { return m_indicator->Picture(); }
    void SetIndicator(const lumen::Bitmap& picture);
    // The image control that shows the indicator (sized to its picture).
    ui::Image& IndicatorImage() { return *m_indicator; }

    int Length() const { return m_length; }
    void SetLength(int length);
    int ScrollPos() const { return m_scrollPos; }
    void SetScrollPos(int position);
    KrBarKind Kind() const { return m_kind; }
    void SetKind(KrBarKind kind);
    KrBarOrigin& Origin() { return m_origin; }
    void SetOrigin(const KrBarOrigin& origin) { m_origin.Assign(origin); }
    bool IsDraging() const { return m_dragging; }

    // Moves the indicator's centre to the origin moved by the position along the axis;
    // OnIndicate may correct the coordinate on that axis.
    void LocateIndicator();

    ui::Callback<KrBar&> OnStartScroll;
    // The position a drag step reaches (the handler may change it) and whether it
    // lies at or after the previous one.
    ui::Callback<KrBar&, int&, bool> OnScroll;
    ui::Callback<KrBar&> OnEndScroll;
    // The indicator's left (horizontal) or top (vertical) edge about to be taken.
    ui::Callback<KrBar&, int&> OnIndicate;

    void StartScroll() { OnStartScroll(*this); }
    void Scroll(int& position, bool forward) { OnScroll(*this, position, forward); }
    void EndScroll() { OnEndScroll(*this); }
    void Indicate(int& coordinate) { OnIndicate(*this, coordinate); }

    // The indicator, then the bar.
    void Repaint() override;

protected:
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void MouseMove(ui::ShiftState shift, int x, int y) override;
    void MouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y) override;
    void CaptureLost() override;

private:
    std::unique_ptr<ui::Image> m_indicator;
    int m_length = 20;
    int m_scrollPos = 0;
    KrBarKind m_kind = bkHorizontal;
    KrBarOrigin m_origin;
    bool m_dragging = false;
    POINT m_last = {};
};

}  // namespace kr
