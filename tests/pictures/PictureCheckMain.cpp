// picture-check: compares what a window shows now with its approved picture, for the
// demo (tools/demo.sh), which runs the real program as a user meets it.
//   picture-check NAME (--window CLASS | --tray) [--faded] APPROVED_DIR OUT_DIR [SHOWN_AS]
// NAME gets the screen's scale ("settings-power" at 200 % is settings-power-200.png).
// --window: the visible window of that class, once its picture stays the same;
// --tray: the notification area's icons; --faded: a window that fades out over black,
// taken as soon as it shows and compared at the opacity it has then.
// Exit code 0 when the picture is the approved one, 1 when not (with the reason and
// where the pictures are), 2 when there is nothing to take a picture of.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/pictures/Picture.h"
#include "tests/pictures/ScreenPicture.h"

namespace {

// A fade is judged while it is still clearly visible.
constexpr int kFadedAtLeast = 96;

int Usage() {
    std::fprintf(stderr,
                 "usage: picture-check NAME (--window CLASS | --tray) [--faded] APPROVED_DIR OUT_DIR [SHOWN_AS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 4) {
        return Usage();
    }
    const std::string name = args[0] + "-" + pictures::ScaleName();
    size_t next = 1;
    std::string windowClass;
    if (args[next] == "--window" && args.size() > next + 1) {
        windowClass = args[next + 1];
        next += 2;
    } else if (args[next] == "--tray") {
        next += 1;
    } else {
        return Usage();
    }
    const bool faded = next < args.size() && args[next] == "--faded";
    if (faded) {
        ++next;
    }
    if (args.size() < next + 2) {
        return Usage();
    }
    pictures::CheckPlace place;
    place.approvedFolder = args[next];
    place.outFolder = args[next + 1];
    place.outShownAs = args.size() > next + 2 ? args[next + 2] : std::string();
    CreateDirectoryA(place.outFolder.c_str(), nullptr);

    RECT r = {};
    if (windowClass.empty()) {
        const auto tray = pictures::TrayIconsRect();
        if (!tray) {
            std::printf("%s: no taskbar to take a picture of\n", name.c_str());
            return 2;
        }
        r = *tray;
    } else {
        HWND window = pictures::VisibleWindowOf(windowClass.c_str(), 10000);
        if (window == nullptr) {
            std::printf("%s: no visible window of class %s\n", name.c_str(), windowClass.c_str());
            return 2;
        }
        r = pictures::WindowRectOf(window);
    }
    const pictures::Picture got = faded ? pictures::ScreenPicture(r) : pictures::StablePicture(r);
    const pictures::Verdict verdict = pictures::CheckPicture(got, name, place, faded ? kFadedAtLeast : 0);
    std::printf("%s\n", verdict.message.c_str());
    return verdict.ok ? 0 : 1;
}
