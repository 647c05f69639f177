#include "lumen/graphics/WinRegion.h"

#include <algorithm>
#include <vector>

#include "lumen/core/Report.h"
#include "lumen/graphics/PixelOps.h"

namespace lumen {

WinRegion::WinRegion() : m_handle(CreateRectRgn(0, 0, 0, 0)) {
    LUMEN_ASSERT(m_handle);
}

void WinRegion::SetRect(int left, int top, int right, int bottom) {
    const BOOL result = SetRectRgn(m_handle.get(), left, top, right, bottom);
    LUMEN_ASSERT(result != 0);
}

void WinRegion::Combine(HRGN source, int mode) {
    const int combineResult = CombineRgn(m_handle.get(), m_handle.get(), source, mode);
    LUMEN_ASSERT(combineResult != ERROR);
}

void WinRegion::Subtract(const WinRegion& other) {
    Combine(other.m_handle.get(), RGN_DIFF);
}

WinRegion WinRegion::Copy() const {
    WinRegion copy;
    const int combineResult = CombineRgn(copy.m_handle.get(), m_handle.get(), nullptr, RGN_COPY);
    LUMEN_ASSERT(combineResult != ERROR);
    return copy;
}

void WinRegion::FromBitmap(const Bitmap& bitmap, uint32_t rgb) {
    SetRect(0, 0, bitmap.Width(), bitmap.Height());
    const std::vector<ColourRun> runs = FindColourRuns(bitmap, rgb);
    // The runs go out in batches of rectangles, one region per batch, instead of one
    // temporary region per run: a skin bitmap has thousands of runs.
    constexpr size_t kBatch = 2000;
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + kBatch * sizeof(RECT));
    for (size_t first = 0; first < runs.size(); first += kBatch) {
        const size_t count = std::min(kBatch, runs.size() - first);
        auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
        *header = RGNDATAHEADER{};
        header->dwSize = sizeof(RGNDATAHEADER);
        header->iType = RDH_RECTANGLES;
        header->nCount = static_cast<DWORD>(count);
        header->nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
        header->rcBound = RECT{0, 0, bitmap.Width(), bitmap.Height()};
        auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
        for (size_t i = 0; i < count; ++i) {
            const ColourRun& run = runs[first + i];
            rects[i] = RECT{run.left, run.y, run.right, run.y + 1};
        }
        const DWORD bytes = static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
        const UniqueRegion cut(ExtCreateRegion(nullptr, bytes, reinterpret_cast<RGNDATA*>(data.data())));
        LUMEN_ASSERT(cut);
        Combine(cut.get(), RGN_DIFF);
    }
}

bool WinRegion::ApplyToWindow(HWND window, bool redraw) const {
    WinRegion copy = Copy();
    if (SetWindowRgn(window, copy.Handle(), redraw ? TRUE : FALSE) == 0) {
        return false;
    }
    (void)copy.Release();  // the window owns it now
    return true;
}

}  // namespace lumen
