#pragma once
// TLogoChangeThread: the settings window's logo cross-fade between the power-action
// and the turbo-action picture, 31 frames 40 ms apart. The frames are blended on the
// worker thread; each one is composed over the window's background and put into the
// logo's image on the GUI thread, while the worker waits. Turned back toward the first
// picture, the fade runs back from the frame it has reached.

#include <atomic>
#include <cstdint>
#include <string>

#include "lumen/graphics/Bitmap.h"
#include "lumen/graphics/DibBitmap.h"
#include "ui/Callback.h"
#include "ui/Thread.h"

namespace surgepad {

inline constexpr const char* kLogoFiles[] = {"turbo_black.png", "turbo_red.png"};
inline constexpr int kLogoCount = 2;
inline constexpr unsigned kLogoFrameMilliseconds = 40;

// The image the cross-fade draws into, with the background under it. Only used on
// the GUI thread.
class LogoTarget {
public:
    virtual ~LogoTarget() = default;
    // The window's background picture (the canvas the logo sits on).
    virtual const lumen::Bitmap& BackgroundCanvas() = 0;
    // The image's left and top on that background.
    virtual lumen::Point LogoPosition() = 0;
    // The image's picture becomes a copy of `frame`.
    virtual void SetLogoPicture(const lumen::Bitmap& frame) = 0;
};

class TLogoChangeThread final : public ui::Thread {
public:
    // Logo files are looked up in `folder` (the ResourceFolder when empty), for a window
    // at `dpi`.
    TLogoChangeThread(LogoTarget& target, int fromIndex, int toIndex, int dpi, std::string folder = {});

    ui::Callback<int> OnDone;
    int FromIndex;
    int ToIndex;

    // The fade runs toward `index` (FromIndex or ToIndex) from the frame it has reached.
    void TurnToward(int index) { m_toward = index; }
    int Toward() const { return m_toward; }

protected:
    void Execute() override;

private:
    LogoTarget& m_target;
    int m_dpi;
    std::string m_folder;
    lumen::DibBitmap m_work;
    std::atomic<int> m_toward;
};

}  // namespace surgepad
