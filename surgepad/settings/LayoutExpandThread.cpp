#include "surgepad/settings/LayoutExpandThread.h"

#include <algorithm>

namespace surgepad {

TLayoutExpandThread::TLayoutExpandThread(LayoutCanvas& canvas, bool expand) : Expand(expand), m_canvas(canvas) {}

void TLayoutExpandThread::Execute() {
    if (Expand) {
        Opening();
    } else {
        Closing();
    }
}

bool TLayoutExpandThread::Step(size_t index) {
    bool more = false;
    Synchronize([&] {
        const StripGeometry g = m_canvas.Geometry();
        const bool rescaled = !m_strips.empty() && !(g == m_geometry);
        if (m_strips.empty() || rescaled) {
            m_geometry = g;
            m_strips = Expand ? OpeningStrips(g) : ClosingStrips(g);
        }
        // Every scale takes as many steps; a last one is drawn again should it not.
        const StripStep& step = m_strips[std::min(index, m_strips.size() - 1)];
        Bottom = step.strip;
        if (rescaled) {
            // Made again for the new scale, the canvas holds whatever its skin was made
            // with: every row above the strip is drawn, not the new ones alone.
            m_canvas.DrawRows(0, step.strip);
        } else if (step.copyTo > step.copyFrom) {
            m_canvas.DrawRows(step.copyFrom, step.copyTo);
        }
        m_canvas.DrawStrip(step.strip);
        Previous = step.strip;
        more = index + 1 < m_strips.size();
    });
    return more;
}

void TLayoutExpandThread::Opening() {
    Previous = 0;
    Alpha = 0;
    bool more = Step(0);
    const std::vector<uint8_t> alphas = FadeInAlphas();
    for (size_t i = 0; i < alphas.size() && !Terminated(); ++i) {
        Alpha = alphas[i];
        Synchronize([&] { m_canvas.SetAlphas(Alpha); });
        if (i + 1 < alphas.size()) {
            Sleep(kFadeInPauseMs);
        }
    }
    for (size_t i = 1; more && !Terminated(); ++i) {
        more = Step(i);
    }
    Synchronize([&] { m_canvas.ShowControls(true); });
}

void TLayoutExpandThread::Closing() {
    Synchronize([&] {
        m_canvas.ShowControls(false);
        m_canvas.HideShadow();
    });
    Previous = 0;
    Alpha = 255;
    for (size_t i = 0; !Terminated() && Step(i); ++i) {
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
