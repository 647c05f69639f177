#include "surgepad/settings/LayoutExpandThread.h"

#include "surgepad/settings/LayoutSteps.h"
#include "ui/Scale.h"

namespace surgepad {

TLayoutExpandThread::TLayoutExpandThread(LayoutCanvas& canvas, bool expand) : Expand(expand), m_canvas(canvas) {}

void TLayoutExpandThread::Execute() {
    if (Expand) {
        Opening();
    } else {
        Closing();
    }
}

void TLayoutExpandThread::Step(int copyFrom, int copyTo, int strip) {
    Bottom = strip;
    Synchronize([&] {
        if (copyTo > copyFrom) {
            m_canvas.DrawRows(copyFrom, copyTo);
        }
        m_canvas.DrawStrip(strip);
    });
    Previous = strip;
}

void TLayoutExpandThread::Opening() {
    const std::vector<StripStep> strips = OpeningStrips(StripGeometryAt(ui::DisplayDpi()));
    Previous = 0;
    Alpha = 0;
    Step(strips.front().copyFrom, strips.front().copyTo, strips.front().strip);
    const std::vector<uint8_t> alphas = FadeInAlphas();
    for (size_t i = 0; i < alphas.size() && !Terminated(); ++i) {
        Alpha = alphas[i];
        Synchronize([&] { m_canvas.SetAlphas(Alpha); });
        if (i + 1 < alphas.size()) {
            Sleep(kFadeInPauseMs);
        }
    }
    for (size_t i = 1; i < strips.size() && !Terminated(); ++i) {
        Step(strips[i].copyFrom, strips[i].copyTo, strips[i].strip);
    }
    Synchronize([&] { m_canvas.ShowControls(true); });
}

void TLayoutExpandThread::Closing() {
    Synchronize([&] {
        m_canvas.ShowControls(false);
        m_canvas.HideShadow();
    });
    const std::vector<StripStep> strips = ClosingStrips(StripGeometryAt(ui::DisplayDpi()));
    Previous = 0;
    Alpha = 255;
    for (size_t i = 0; i < strips.size() && !Terminated(); ++i) {
        Step(strips[i].copyFrom, strips[i].copyTo, strips[i].strip);
    }
    const std::vector<uint8_t> alphas = FadeOutAlphas();
    for (size_t i = 0; i < alphas.size() && !Terminated(); ++i) {
        Alpha = alphas[i];
        Synchronize([&] { m_canvas.SetAlphas(Alpha); });
        if (i + 1 < alphas.size()) {
            Sleep(kFadeOutPauseMs);
        }
    }
}

}  // namespace surgepad
