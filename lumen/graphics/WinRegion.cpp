#include "lumen/graphics/WinRegion.h"

#include <algorithm>
#include <vector>

#include "lumen/core/Report.h"
#include "lumen/graphics/PixelOps.h"

namespace lumen {

WinRegion::WinRegion() {
    HRGN hrgn = CreateRectRgn(0, 0, 0, 0);
    LUMEN_ASSERT(hrgn != NULL);
    m_handle = hrgn;
}

WinRegion::WinRegion(WinRegion&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = nullptr;
}

WinRegion& WinRegion::operator=(WinRegion&& other) noexcept {
    if (this != &other) {
        if (m_handle != nullptr) {
            DeleteObject(m_handle);
        }
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

WinRegion::~WinRegion() {
    if (m_handle != nullptr) {
        DeleteObject(m_handle);
    }
}

HRGN WinRegion::Release() {
    HRGN handle = m_handle;
    m_handle = nullptr;
    return handle;
}

void WinRegion::SetRect(int left, int top, int right, int bottom) {
    const BOOL result = SetRectRgn(m_handle, left, top, right, bottom);
    LUMEN_ASSERT(result != 0);
}

void WinRegion::Combine(HRGN source, int mode) {
    const int combineResult = CombineRgn(m_handle, m_handle, source, mode);
    LUMEN_ASSERT(combineResult != ERROR);
}

void WinRegion::Subtract(const WinRegion& other) {
    Combine(other.m_handle, RGN_DIFF);
}

WinRegion WinRegion::Copy() const {
    WinRegion copy;
    const int combineResult = CombineRgn(copy.m_handle, m_handle, nullptr, RGN_COPY);
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
        HRGN cut = ExtCreateRegion(nullptr, bytes, reinterpret_cast<RGNDATA*>(data.data()));
        LUMEN_ASSERT(cut != NULL);
        Combine(cut, RGN_DIFF);
        DeleteObject(cut);
    }
}

bool WinRegion::ApplyToWindow(HWND window, bool redraw) const {
    WinRegion copy = Copy();
    if (SetWindowRgn(window, copy.m_handle, redraw ? TRUE : FALSE) == 0) {
        return false;
    }
    copy.Release();  // the window owns it now
    return true;
}

}  // namespace lumen
