#pragma once
// A skinned control with N state bitmaps: the bitmap of the current state is shown
// through a TBmpLEDCtrl, the control takes the size of bitmap 0, and with
// `Transparent` its window is cut to the pixels of bitmap 0 that are not of the
// transparent colour, so clicks and hover count only there.

#include <memory>
#include <string>

#include "kr/KrControl.h"
#include "kr/TBmpLEDCtrl.h"
#include "lumen/graphics/WinRegion.h"
#include "ui/Font.h"

namespace kr {

class KrCustomControl : public KrControl {
public:
    ~KrCustomControl() override;

    // Shows state bitmap `index`, or the one Substitute leads to while it is empty.
    virtual void ShowBitmap(int index);
    // The state to show instead of an empty `index`; the base falls back to 0.
    virtual int Substitute(int index) { return (void)index, 0; }
    virtual void SetTransparent(bool transparent);
    virtual void SetTransparentColor(uint32_t rgb);
    bool Transparent() const { return m_display->Transparent(); }
    uint32_t TransparentColor() const { return m_display->TransparentColor(); }

    void ShowRaised() override { ShowBitmap(0); }
    bool IsInside(int x, int y) const override;

    // The index last asked for through ShowBitmap (before substitution).
    int StateIndex() const { return m_stateIndex; }
    int StateCount() const { return m_display->BitmapCount(); }
    lumen::DibBitmap& StateBitmap(int index) { return m_display->Bitmap(index); }
    TBmpLEDCtrl& Display() { return *m_display; }
    // The region clicks and hover count in (client coordinates).
    const lumen::WinRegion& Region() const { return m_region; }

    // Paints the shown bitmap afresh, then the control.
    virtual void Repaint();

protected:
    KrCustomControl(ui::WinControl& parent, const ui::ControlClass& cls, bool clicksDisabled, int stateCount,
                    int left = 0, int top = 0, int width = 0, int height = 0);

    void CanResize(int& width, int& height) override;
    void Resized() override;

    // State bitmap `index` changed. The base: re-show it when it is the current
    // state; for bitmap 0 also resize the display and the control and rebuild the
    // region. The display's own handler runs in between.
    virtual void StateBitmapChanged(int index, lumen::Bitmap& bitmap);

    void RebuildRegion();

    // For the controls with a caption: the colour of a state (its own colour when set,
    // grey text for the disabled state without one, else the font's) and the caption
    // drawn over the shown picture.
    static COLORREF CaptionColor(const ui::Font& font, ui::Color own, bool disabled);
    void DrawCaptionText(const ui::Font& font, COLORREF color, const std::string& text, RECT bounds, UINT format);

private:
    static void OnStateBitmapChange(void* self, lumen::Bitmap& bitmap);

    std::unique_ptr<TBmpLEDCtrl> m_display;
    lumen::WinRegion m_region;
    int m_stateIndex = 0;
    // The change handler bitmap 0 had before the control took the event over.
    lumen::BitmapChangeHandler m_previousHandler;
};

}  // namespace kr
