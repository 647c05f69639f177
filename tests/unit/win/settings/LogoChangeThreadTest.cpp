// The settings logo's cross-fade on a plain image target: 31 frames composed over the
// background on the GUI thread, from the old logo to the new one, then the completion.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <vector>

#include "lumen/graphics/DibBitmap.h"
#include "lumen/widget/TLayout.h"
#include "surgepad/look/FadeSteps.h"
#include "surgepad/settings/LogoChangeThread.h"
#include "surgepad/look/PngReader.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"

namespace surgepad {
namespace {

class ImageTarget final : public LogoTarget {
public:
    ImageTarget() : background(300, 200, lumen::PixelFormat::Bgr24) { background.Fill(lumen::Bgra{40, 90, 160, 255}); }
    const lumen::Bitmap& BackgroundCanvas() override { return background; }
    lumen::Point LogoPosition() override { return {12, 7}; }
    void SetLogoPicture(const lumen::Bitmap& frame) override {
        frames.emplace_back();
        frames.back().Assign(frame);
        threads.push_back(GetCurrentThreadId());
        doneBefore.push_back(done.load());
    }
    lumen::PixelBuffer background;
    std::vector<lumen::PixelBuffer> frames;
    std::vector<DWORD> threads;
    std::vector<int> doneBefore;
    std::atomic<int> done{0};
    void Done(int) { ++done; }
};

// The logo file composed over the target's background at the logo's position.
lumen::PixelBuffer Composed(ImageTarget& target, const char* file) {
    lumen::PixelBuffer logo;
    EXPECT_TRUE(LoadPngFile(ResourceFolder() + file, logo, 96));
    lumen::PixelBuffer out;
    const lumen::Point at = target.LogoPosition();
    lumen::CopyBackgroundRect(target.background, out,
                              lumen::Rect{at.x, at.y, at.x + logo.Width(), at.y + logo.Height()});
    lumen::AlphaBlendBitmap(logo, out, 255);
    return out;
}

bool SamePixels(const lumen::Bitmap& a, const lumen::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return false;
    }
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const lumen::Bgra p = a.Pixel(x, y);
            const lumen::Bgra q = b.Pixel(x, y);
            if (p.r != q.r || p.g != q.g || p.b != q.b) {
                return false;
            }
        }
    }
    return true;
}

TEST(LogoChangeThread, ThirtyOneFramesFromTheOldLogoToTheNewOnTheGuiThreadThenCompletes) {
    ui::App().Initialize();
    ImageTarget target;
    auto* thread = new TLogoChangeThread(target, 0, 1, 96);
    thread->SetFreeOnTerminate(true);
    thread->OnDone = ui::Callback<int>::Of<&ImageTarget::Done>(&target);
    const ULONGLONG start = GetTickCount64();
    thread->Resume();
    ASSERT_TRUE(uitest::PumpUntil([&] { return target.done.load() == 1; }, 20000));
    EXPECT_GE(GetTickCount64() - start, 31u * 40u - 100u);
    ASSERT_EQ(target.frames.size(), 31u);
    for (size_t i = 0; i < target.frames.size(); ++i) {
        EXPECT_EQ(target.threads[i], GetCurrentThreadId()) << "frame " << i << " was drawn off the GUI thread";
        EXPECT_EQ(target.doneBefore[i], 0);
    }
    EXPECT_TRUE(SamePixels(target.frames.front(), Composed(target, "turbo_black.png"))) << "frame 0 is the old logo";
    EXPECT_TRUE(SamePixels(target.frames.back(), Composed(target, "turbo_red.png"))) << "frame 30 is the new logo";
    EXPECT_FALSE(SamePixels(target.frames[15], target.frames.front()));
    EXPECT_FALSE(SamePixels(target.frames[15], target.frames.back()));
}

}  // namespace
}  // namespace surgepad
