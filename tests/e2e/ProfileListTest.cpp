// The profile list as a user meets it, from the first opening of the settings window
// on, each way the window opens: a click on the tray icon after the pointer rested on
// it, a click without, and the command another program sends. Each entry is one row of
// the list's font, the rows lie one under the other as the screen shows them, and a
// click where an entry is drawn chooses it: Apply stores it. Firmware profiles and
// profile files, and the files changed while the window is closed. At the prefix's
// scale: 100 %, and 200 % when CTest runs them with SURGEPAD_E2E_DPI=192.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::kSettingsKey;
using e2e::Surgepad;

constexpr COLORREF kIconFill = RGB(0x80, 0x50, 0xC7);
constexpr COLORREF kHighlight = RGB(128, 80, 199);
// Places in the window's client area at 100 %.
constexpr POINT kArrow = {226, 271};
constexpr POINT kApply = {167, 316};

enum class Way { kRestThenClick, kClick, kCommand };

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// One line of the list's font (Arial, 11 pixels at 100 %) at `dpi`: the row of an entry.
int LineHeight(int dpi) {
    HFONT font = CreateFontA(-MulDiv(11, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(screen, &tm);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return tm.tmHeight;
}

std::vector<std::string> Entries(HWND list) {
    std::vector<std::string> names;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        // Under Wine another process's list answers in UTF-16 even when asked in ANSI.
        wchar_t wide[256] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char text[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        names.emplace_back(text);
    }
    return names;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class ProfileList : public testing::TestWithParam<Way> {
protected:
    void SetUp() override {
        SetProcessDPIAware();
        dpi = ScreenDpi();
        if (const char* wanted = std::getenv("SURGEPAD_E2E_DPI")) {
            ASSERT_EQ(dpi, std::atoi(wanted)) << "the prefix's DPI";
        }
        row = LineHeight(dpi);
        ASSERT_GE(row, MulDiv(11, dpi, 96)) << "a line is at least as high as the letters";
        e2e::UseBoard("full.txt");
        e2e::MovePointer(2, 2);
    }
    POINT S(POINT p) const { return POINT{MulDiv(p.x, dpi, 96), MulDiv(p.y, dpi, 96)}; }

    // Opens the settings window for the `n`-th time the way under test.
    HWND Open(int n) {
        switch (GetParam()) {
            case Way::kRestThenClick: {
                const std::optional<POINT> icon = e2e::TrayIconCentre(kIconFill, 24);
                if (!icon) {
                    ADD_FAILURE() << "no tray icon";
                    return nullptr;
                }
                e2e::MovePointer(icon->x, icon->y);
                if (n == 1 && !program->WaitForTrace("settings: skin made")) {
                    ADD_FAILURE() << "the pointer on the icon did not make the window's pictures\n"
                                  << program->TraceText();
                }
                e2e::LeftButton(true);
                e2e::LeftButton(false);
                break;
            }
            case Way::kClick:
                EXPECT_EQ(e2e::Sim("tray click"), 0);
                break;
            case Way::kCommand:
                EXPECT_EQ(e2e::Sim("command 1026"), 0);
                break;
        }
        if (!program->WaitForTrace("settings: opened", 30000, n)) {
            ADD_FAILURE() << "opening " << n << " did not happen\n" << program->TraceText();
            return nullptr;
        }
        e2e::MovePointer(2, 2);
        return e2e::SettingsWindow();
    }

    // Opens the list with a press on its arrow and checks what the screen shows of it:
    // one row of the font for each entry, one under the other, `chosen` highlighted.
    // The entries, in the order shown.
    std::vector<std::string> OpenList(HWND settings, int chosen) {
        e2e::PointAt(settings, S(kArrow));
        e2e::LeftButton(true);
        e2e::LeftButton(false);
        if (!e2e::WaitForList(settings, true)) {
            ADD_FAILURE() << "the list did not open\n" << program->TraceText();
            return {};
        }
        e2e::MovePointer(2, 2);
        HWND list = e2e::ProfileListBox(settings);
        const std::vector<std::string> names = Entries(list);
        std::string rows;
        std::string expectedRows;
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            RECT r{};
            SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
            rows += std::to_string(r.top) + "-" + std::to_string(r.bottom) + " ";
            expectedRows += std::to_string(i * row) + "-" + std::to_string((i + 1) * row) + " ";
        }
        EXPECT_EQ(rows, expectedRows) << "the entries' rectangles";

        // What the screen shows: the highlight exactly on the chosen entry's row (right
        // of the texts), and letters in every entry's row and nowhere below the last.
        RECT client{};
        GetClientRect(list, &client);
        Sleep(200);
        const e2e::Capture shot = e2e::CaptureScreen();
        const POINT origin = e2e::OnScreen(list, POINT{0, 0});
        std::string highlighted;
        for (int y = 0; y < client.bottom; ++y) {
            if (Near(shot.Pixel(origin.x + client.right - 4, origin.y + y), kHighlight, 8)) {
                highlighted += std::to_string(y) + " ";
            }
        }
        std::string expectedHighlight;
        for (int y = chosen * row; chosen >= 0 && y < (chosen + 1) * row; ++y) {
            expectedHighlight += std::to_string(y) + " ";
        }
        EXPECT_EQ(highlighted, expectedHighlight) << "the rows of the highlight";
        std::string inked;
        std::string expectedInk;
        for (int i = 0; (i + 1) * row <= client.bottom; ++i) {
            const RECT band{origin.x, origin.y + i * row, origin.x + client.right, origin.y + (i + 1) * row};
            const int ink = e2e::CountPixelsIf(shot, band, [](int, int, COLORREF c) {
                return GetRValue(c) > 150 && GetGValue(c) > 150 && GetBValue(c) > 150;
            });
            inked += ink > 0 ? "text " : "empty ";
            expectedInk += i < static_cast<int>(names.size()) ? "text " : "empty ";
        }
        EXPECT_EQ(inked, expectedInk) << "letters in the rows";
        return names;
    }

    int dpi = 96;
    int row = 0;
    std::unique_ptr<Surgepad> program;
};

TEST_P(ProfileList, EveryEntryIsOneRowAndAClickWhereItIsDrawnChoosesIt) {
    for (const char* file : {"Night", "Bench"}) {
        e2e::WriteProfile(file);
    }
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    program = std::make_unique<Surgepad>();
    ASSERT_TRUE(program->WaitForTrace("startup: running", 20000)) << program->TraceText();

    // What the user chooses, opening after opening; before the last the profile files
    // change while the window is closed.
    struct Choice {
        const char* name;
        std::vector<const char*> filesAdded;
        std::vector<const char*> filesRemoved;
    };
    const Choice choices[] = {
        {"Silent OC", {}, {}},
        {"Bench", {}, {}},
        {"Zen", {"Zen", "Quiet"}, {"Night"}},
    };
    int stored = 0;
    int opening = 0;
    for (const Choice& choice : choices) {
        SCOPED_TRACE(std::string("choosing ") + choice.name);
        for (const char* file : choice.filesAdded) {
            e2e::WriteProfile(file);
        }
        for (const char* file : choice.filesRemoved) {
            DeleteFileA((e2e::ProfileFolder() + file + ".oc").c_str());
        }
        HWND settings = Open(++opening);
        ASSERT_NE(settings, nullptr);
        const std::vector<std::string> names = OpenList(settings, stored);
        const auto at = std::find(names.begin(), names.end(), choice.name);
        ASSERT_NE(at, names.end()) << "no entry " << choice.name;
        ASSERT_GE(names.size(), 2u);
        EXPECT_EQ(names[0], "Game Boost") << "the firmware's profiles first";
        EXPECT_EQ(names[1], "Silent OC");
        const int index = static_cast<int>(at - names.begin());

        // The middle of the entry's row, as drawn.
        e2e::Click(e2e::ProfileListBox(settings), POINT{MulDiv(20, dpi, 96), index * row + row / 2});
        EXPECT_TRUE(e2e::WaitForList(settings, false)) << "choosing closes the list";
        e2e::Click(settings, S(kApply));
        ASSERT_TRUE(e2e::WaitClosed(*program, opening)) << program->TraceText();
        EXPECT_EQ(e2e::UserDword(kSettingsKey, "ProfileType"), std::optional<DWORD>(index));
        EXPECT_EQ(e2e::UserString("ProfileName"), std::optional<std::string>(choice.name));
        stored = index;
    }
    EXPECT_EQ(program->CountTrace("settings: skin made"), 1) << program->TraceText();
}

std::string WayName(const testing::TestParamInfo<Way>& info) {
    const char* names[] = {"RestThenClick", "Click", "Command"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(OpenedBy, ProfileList, testing::Values(Way::kRestThenClick, Way::kClick, Way::kCommand),
                         WayName);

}  // namespace
