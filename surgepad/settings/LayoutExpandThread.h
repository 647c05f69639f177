#pragma once
// TLayoutExpandThread: the settings window's opening (Expand 1) or closing (Expand 0)
// animation. The worker only counts and sleeps: every drawing step, every opacity
// step and the final showing or hiding of the controls is handed to the GUI thread,
// which runs it while the worker waits. Its owner waits for it (and for its
// completion, OnTerminate, on the GUI thread) before the canvas goes; asked to stop,
// it ends after the step it is in.
//
// Every drawing step is taken at the canvas's scale of that moment: a window made
// again for another DPI in the middle of the animation goes on from the same step at
// the new scale, and ends as complete as at the old one.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surgepad/settings/LayoutSteps.h"
#include "ui/Thread.h"

namespace surgepad {

// What the animation draws on (GUI thread only).
class LayoutCanvas {
public:
    virtual ~LayoutCanvas() = default;
    // The animation's rows at the window's scale now.
    virtual StripGeometry Geometry() = 0;
    virtual void DrawRows(int from, int to) = 0;
    virtual void DrawStrip(int y) = 0;
    // The window's and its shadow's overall opacity.
    virtual void SetAlphas(uint8_t alpha) = 0;
    virtual void ShowControls(bool visible) = 0;
    // The shadow goes when the closing starts.
    virtual void HideShadow() = 0;
};

class TLayoutExpandThread final : public ui::Thread {
public:
    TLayoutExpandThread(LayoutCanvas& canvas, bool expand);

    const bool Expand;
    int Bottom = 0;
    int Previous = 0;
    uint8_t Alpha = 0;

protected:
    void Execute() override;

private:
    void Opening();
    void Closing();
    // Draws step `index` of the animation at the canvas's scale; false after its last.
    bool Step(size_t index);

    LayoutCanvas& m_canvas;
    // The steps at the scale of the last one drawn (GUI thread).
    StripGeometry m_geometry;
    std::vector<StripStep> m_strips;
};

}  // namespace surgepad
