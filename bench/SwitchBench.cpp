// Figures of the real program under Wine, against the stand-ins: start-up, a press,
// a fade, the idle program, memory and window-system objects over many switches,
// next to an empty Win32 program. Nothing here passes or fails on time.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/E2eSupport.h"

namespace {

constexpr char kSettingsKey[] = "Software\\KORA\\Power Button Setting";

void SetDword(const char* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
}

void ChooseTurbo(bool osd, bool status) {
    e2e::Sim("button 0 0x80000000");
    SetDword("ButtonAction", 0);
    SetDword("PowerButtonDisabled", 0);
    SetDword("ProfileType", 0);
    SetDword("OsdEnabled", osd ? 1 : 0);
    SetDword("StatusEnabled", status ? 1 : 0);
}

double CpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::atoi(v) : fallback;
}

TEST(Bench, EmptyProgramBaseline) {
    // The runner's program folder holds Surgepad's files; the baseline comes from
    // beside this program.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    ASSERT_TRUE(CopyFileA((dir + "bench_empty.exe").c_str(), (e2e::ProgramDir() + "bench_empty.exe").c_str(), FALSE));
    const double start = NowMs();
    e2e::Surgepad empty("", "bench_empty.exe");
    ASSERT_TRUE(empty.WaitForTrace("empty: running", 30000));
    e2e::Figure("empty.start_to_window_ms", NowMs() - start, "ms");
    Sleep(2000);
    e2e::Figure("empty.working_set", static_cast<double>(e2e::ProcessMemory(empty.Process()).workingSetKiB), "KiB");
    const double cpu0 = CpuMs(empty.Process());
    Sleep(10000);
    e2e::Figure("empty.idle_cpu_10s", CpuMs(empty.Process()) - cpu0, "ms");
    TerminateProcess(empty.Process(), 0);
}

TEST(Bench, StartPressFadeIdleAndManySwitches) {
    e2e::UseBoard("full.txt");
    ChooseTurbo(true, true);
    e2e::Surgepad program;
    const auto tray = program.WaitForTrace("tray: icon added", 30000);
    ASSERT_TRUE(tray.has_value()) << program.TraceText();
    e2e::Figure("surgepad.start_to_tray_icon_ms", tray->ms, "ms");
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000));
    ASSERT_TRUE(program.Sync());
    Sleep(2000);
    e2e::Figure("surgepad.working_set_idle", static_cast<double>(e2e::ProcessMemory(program.Process()).workingSetKiB),
                "KiB");

    const int idleSeconds = EnvInt("SURGEPAD_BENCH_IDLE_SECONDS", 60);
    double cpu0 = CpuMs(program.Process());
    Sleep(static_cast<DWORD>(idleSeconds) * 1000);
    e2e::Figure("surgepad.idle_cpu_ms_over_" + std::to_string(idleSeconds) + "s", CpuMs(program.Process()) - cpu0,
                "ms");

    // A press: the display up, then the fade and the switch.
    HWND osd = FindWindowA("TOsdForm", nullptr);
    ASSERT_NE(osd, nullptr);
    cpu0 = CpuMs(program.Process());
    const double pressed = NowMs();
    ASSERT_EQ(e2e::Sim("press"), 0);
    while (!IsWindowVisible(osd) && NowMs() - pressed < 10000) {
        Sleep(1);
    }
    e2e::Figure("surgepad.press_to_display_visible_ms", NowMs() - pressed, "ms");
    ASSERT_TRUE(program.WaitForTrace("controller: switched on", 20000));
    const double fadeCpu = CpuMs(program.Process()) - cpu0;
    e2e::Figure("surgepad.cpu_during_one_fade_and_switch_ms", fadeCpu, "ms");
    e2e::Figure("surgepad.cpu_share_of_one_core_during_fade", 100.0 * fadeCpu / (NowMs() - pressed), "%");

    const DWORD gdi0 = GetGuiResources(program.Process(), GR_GDIOBJECTS);
    const DWORD user0 = GetGuiResources(program.Process(), GR_USEROBJECTS);
    const int switches = EnvInt("SURGEPAD_BENCH_SWITCHES", 200);
    int done = 1;
    for (int i = 1; i < switches; ++i) {
        const std::string marker = i % 2 == 1 ? "controller: switched off" : "controller: switched on";
        const int before = program.CountTrace(marker);
        e2e::Sim("press");
        for (int wait = 0; wait < 200 && program.CountTrace(marker) == before; ++wait) {
            Sleep(50);
        }
        done += program.CountTrace(marker) > before ? 1 : 0;
    }
    e2e::Figure("surgepad.switches", done, "");
    e2e::Figure("surgepad.gdi_objects_before", gdi0, "");
    e2e::Figure("surgepad.gdi_objects_after", GetGuiResources(program.Process(), GR_GDIOBJECTS), "");
    e2e::Figure("surgepad.user_objects_before", user0, "");
    e2e::Figure("surgepad.user_objects_after", GetGuiResources(program.Process(), GR_USEROBJECTS), "");
    e2e::Figure("surgepad.working_set_after_switches",
                static_cast<double>(e2e::ProcessMemory(program.Process()).workingSetKiB), "KiB");
    program.Stop();
}

}  // namespace
