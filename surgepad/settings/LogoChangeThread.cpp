#include "surgepad/settings/LogoChangeThread.h"

#include <windows.h>

#include "lumen/widget/TLayout.h"
#include "surgepad/look/FadeSteps.h"
#include "surgepad/look/PngReader.h"

namespace surgepad {

namespace {
std::string LogoPath(const std::string& folder, int index) {
    if (index < 0 || index >= kLogoCount) {
        return {};
    }
    return folder + kLogoFiles[index];
}
}  // namespace

TLogoChangeThread::TLogoChangeThread(LogoTarget& target, int fromIndex, int toIndex, int dpi, std::string folder)
    : FromIndex(fromIndex),
      ToIndex(toIndex),
      m_target(target),
      m_dpi(dpi),
      m_folder(folder.empty() ? ResourceFolder() : std::move(folder)),
      m_work(0, 0, lumen::PixelFormat::Bgra32),
      m_toward(toIndex) {}

void TLogoChangeThread::Execute() {
    {
        lumen::PixelBuffer from;
        lumen::PixelBuffer to;
        lumen::PixelBuffer mix;
        from.SetPixelFormat(lumen::PixelFormat::Bgra32);
        to.SetPixelFormat(lumen::PixelFormat::Bgra32);
        mix.SetPixelFormat(lumen::PixelFormat::Bgra32);
        // A logo that cannot be read leaves its bitmap empty; the frames then show
        // whatever part of the other one fits.
        (void)LoadPngFile(LogoPath(m_folder, ToIndex), to, m_dpi);
        (void)LoadPngFile(LogoPath(m_folder, FromIndex), from, m_dpi);
        for (int frame = 0;;) {
            mix.Assign(to);
            lumen::BlendBitmap(from, mix, static_cast<uint8_t>(LogoWeight(frame)));
            Synchronize([&] {
                const lumen::Point at = m_target.LogoPosition();
                lumen::CopyBackgroundRect(m_target.BackgroundCanvas(), m_work,
                                          lumen::Rect{at.x, at.y, at.x + mix.Width(), at.y + mix.Height()});
                lumen::AlphaBlendBitmap(mix, m_work, 255);
                m_target.SetLogoPicture(m_work);
            });
            const int next = frame + (m_toward == ToIndex ? 1 : -1);
            if (Terminated() || next < 0 || next >= kLogoFrames) {
                break;
            }
            Sleep(kLogoFrameMilliseconds);
            frame = next;
        }
    }
    if (OnDone) {
        OnDone(0);
    }
}

}  // namespace surgepad
