#pragma once
// The inside of KrNumLed: the model, the colours, and the image display on the
// control's parent that the row is painted into.

#include "kr/KrNumLed.h"
#include "lumen/component/NumLedModel.h"
#include "kr/TBmpLEDCtrl.h"
#include "lumen/graphics/FigureBase.h"

namespace kr {

class KrNumLed_imp {
public:
    explicit KrNumLed_imp(ui::WinControl& parent);
    ~KrNumLed_imp();

    lumen::NumLedModel& Model() { return m_model; }
    KrLedColors& Colors() { return m_colors; }
    TBmpLEDCtrl& Display() { return m_display; }
    // The row of LEDs as one figure.
    const lumen::FigureBase* Figure() const { return &m_model.Row().Figure(); }

    bool KeepRatio() const { return m_keepRatio; }
    void SetKeepRatio(bool keepRatio) { m_keepRatio = keepRatio; }

    // The size the display takes when given (width, height).
    lumen::Size Fit(int width, int height) const;
    // Moves and sizes the display, scales the row to it and paints.
    void Place(int left, int top, int width, int height);
    // Scales the row to the display's current size and paints.
    void Rescale();
    // Paints every LED in its shown state.
    void Paint();

private:
    void ColorsChanged();

    lumen::NumLedModel m_model;
    KrLedColors m_colors;
    TBmpLEDCtrl m_display;
    bool m_keepRatio = false;
};

}  // namespace kr
