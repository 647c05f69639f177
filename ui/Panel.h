#pragma once
// A plain windowed container: a coloured area that holds controls.

#include "lumen/core/Handle.h"
#include "ui/Font.h"
#include "ui/WinControl.h"

namespace ui {

class Panel : public WinControl {
public:
    static constexpr ControlClass kClass = {"TPanel", false};
    Panel(WinControl& parent, int left, int top, int width, int height)
        : WinControl(parent, kClass, left, top, width, height) {}
    const char* ClassName() const override { return "TPanel"; }
    void SetColor(Color color) {
        m_color = color;
        Invalidate();
    }

protected:
    void Paint(HDC dc, const RECT& area) override {
        lumen::UniqueBrush brush(CreateSolidBrush(ColorToRgb(m_color)));
        FillRect(dc, &area, brush.get());
    }

private:
    Color m_color = static_cast<Color>(0x80000000u | COLOR_BTNFACE);
};

}  // namespace ui
