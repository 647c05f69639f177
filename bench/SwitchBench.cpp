// Figures of the real program under Wine, against the stand-ins: start-up, a press,
// a fade, the idle program, memory and window-system objects over many switches,
// next to an empty Win32 program. Nothing here passes or fails on time.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/e2e/E2eSupport.h"

namespace {

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

int IdleSeconds() {
    return EnvInt("SURGEPAD_BENCH_IDLE_SECONDS", 60);
}

// Figures of the baseline, kept for the ratios printed by the program's run.
std::map<std::string, double> g_baseline;

void Ratio(const std::string& name, double value, const std::string& baselineName) {
    const auto found = g_baseline.find(baselineName);
    if (found != g_baseline.end() && found->second > 0) {
        e2e::Figure(name + "_ratio_to_empty", value / found->second, "x");
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The /proc folder (through Wine's drive Z:) of the Linux process running a Windows
// program, or "" when none is found. Wine gives the Windows side no wake-up counter,
// and the CPU time of threads that have ended is kept only by Linux.
std::string ProcFolder(const std::string& exeName) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
    if (find == INVALID_HANDLE_VALUE) {
        return "";
    }
    std::string folder;
    do {
        const std::string pid = found.cFileName;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string dir = "Z:\\proc\\" + pid + "\\";
        const std::string cmdline = ReadAll(dir + "cmdline");
        if (cmdline.find(exeName) != std::string::npos && cmdline.find("bench_surgepad") == std::string::npos) {
            folder = dir;
            break;
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return folder;
}

// Wake-ups: the voluntary context switches (each one a sleep that ended) of all the
// process's threads; -1 when unknown.
long long Wakeups(const std::string& dir) {
    WIN32_FIND_DATAA task;
    HANDLE tasks = dir.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA((dir + "task\\*").c_str(), &task);
    if (tasks == INVALID_HANDLE_VALUE) {
        return -1;
    }
    long long total = 0;
    do {
        const std::string tid = task.cFileName;
        if (tid.empty() || tid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::istringstream status(ReadAll(dir + "task\\" + tid + "\\status"));
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                total += std::atoll(line.substr(line.find(':') + 1).c_str());
            }
        }
    } while (FindNextFileA(tasks, &task));
    FindClose(tasks);
    return total;
}

// User and system time of the whole process, ended threads included, in ms; -1 when
// unknown. Fields 14 and 15 of /proc/PID/stat, in ticks of 10 ms.
double LinuxCpuMs(const std::string& dir) {
    if (dir.empty()) {
        return -1;
    }
    const std::string stat = ReadAll(dir + "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) {
            ticks += std::atof(field.c_str());
        }
    }
    return ticks * 10.0;
}

// CPU time and wake-ups of an idle program over the idle window.
void MeasureIdle(HANDLE process, const std::string& exeName, const std::string& prefix) {
    const int seconds = IdleSeconds();
    const double cpu0 = CpuMs(process);
    const std::string dir = ProcFolder(exeName);
    const long long wake0 = Wakeups(dir);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double cpu = CpuMs(process) - cpu0;
    const long long wake1 = Wakeups(dir);
    e2e::Figure(prefix + ".idle_cpu_ms", cpu, ("ms over " + std::to_string(seconds) + " s").c_str());
    if (wake0 >= 0 && wake1 >= 0) {
        e2e::Figure(prefix + ".idle_wakeups_per_s", static_cast<double>(wake1 - wake0) / seconds, "/s");
    }
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
    g_baseline["start"] = NowMs() - start;
    e2e::Figure("empty.start_to_window_ms", g_baseline["start"], "ms");
    Sleep(2000);
    g_baseline["working_set"] = static_cast<double>(e2e::ProcessMemory(empty.Process()).workingSetKiB);
    e2e::Figure("empty.working_set", g_baseline["working_set"], "KiB");
    MeasureIdle(empty.Process(), "bench_empty.exe", "empty");
    TerminateProcess(empty.Process(), 0);
}

TEST(Bench, StartPressFadeIdleAndManySwitches) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    e2e::Surgepad program;
    const auto tray = program.WaitForTrace("tray: icon added", 30000);
    ASSERT_TRUE(tray.has_value()) << program.TraceText();
    e2e::Figure("surgepad.start_to_tray_icon_ms", tray->ms, "ms");
    Ratio("surgepad.start", tray->ms, "start");
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000));
    ASSERT_TRUE(program.Sync());
    Sleep(2000);
    const double workingSet = static_cast<double>(e2e::ProcessMemory(program.Process()).workingSetKiB);
    e2e::Figure("surgepad.working_set_idle", workingSet, "KiB");
    Ratio("surgepad.working_set", workingSet, "working_set");
    MeasureIdle(program.Process(), "Surgepad.exe", "surgepad");

    // A press: the display up, then the fade and the switch.
    HWND osd = FindWindowA("TOsdForm", nullptr);
    ASSERT_NE(osd, nullptr);
    const std::string proc = ProcFolder("Surgepad.exe");
    const double cpu0 = CpuMs(program.Process());
    const double linux0 = LinuxCpuMs(proc);
    const double pressed = NowMs();
    ASSERT_EQ(e2e::Sim("press"), 0);
    while (!IsWindowVisible(osd) && NowMs() - pressed < 10000) {
        Sleep(1);
    }
    e2e::Figure("surgepad.press_to_display_visible_ms", NowMs() - pressed, "ms");
    // The fade alone: until the display is hidden, before the switch's writes.
    while (IsWindowVisible(osd) && NowMs() - pressed < 10000) {
        Sleep(5);
    }
    const double fadeOnlyMs = NowMs() - pressed;
    const double fadeOnlyCpu = linux0 >= 0 ? LinuxCpuMs(proc) - linux0 : -1;
    ASSERT_TRUE(program.WaitForTrace("controller: switched on", 20000));
    if (fadeOnlyCpu >= 0) {
        e2e::Figure("surgepad.linux_cpu_share_of_one_core_during_drawn_fade_only", 100.0 * fadeOnlyCpu / fadeOnlyMs,
                    "%");
    }
    const double fadeCpu = CpuMs(program.Process()) - cpu0;
    e2e::Figure("surgepad.cpu_during_one_fade_and_switch_ms", fadeCpu, "ms");
    const double fadeMs = NowMs() - pressed;
    e2e::Figure("surgepad.cpu_share_of_one_core_during_fade", 100.0 * fadeCpu / fadeMs, "%");
    if (linux0 >= 0) {
        // The animation thread has ended by now: Linux still counts its time.
        const double linuxCpu = LinuxCpuMs(proc) - linux0;
        e2e::Figure("surgepad.linux_cpu_during_one_fade_and_switch_ms", linuxCpu, "ms");
        e2e::Figure("surgepad.linux_cpu_share_of_one_core_during_fade", 100.0 * linuxCpu / fadeMs, "%");
    }
    // A fade alone, with neither display nor badge drawn: the animation thread's
    // own cost (the next press switches off).
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, false));
    const double cpuQuiet = LinuxCpuMs(proc);
    const double quietStart = NowMs();
    ASSERT_EQ(e2e::Sim("press"), 0);
    ASSERT_TRUE(program.WaitForTrace("controller: switched off", 20000));
    if (cpuQuiet >= 0) {
        e2e::Figure("surgepad.linux_cpu_share_of_one_core_during_undrawn_fade",
                    100.0 * (LinuxCpuMs(proc) - cpuQuiet) / (NowMs() - quietStart), "%");
    }
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));

    const DWORD gdi0 = GetGuiResources(program.Process(), GR_GDIOBJECTS);
    const DWORD user0 = GetGuiResources(program.Process(), GR_USEROBJECTS);
    const double private0 = static_cast<double>(e2e::ProcessMemory(program.Process()).privateKiB);
    const int switches = EnvInt("SURGEPAD_BENCH_SWITCHES", 200);
    int done = 2;
    for (int i = 2; i < switches; ++i) {
        const std::string marker = i % 2 == 1 ? "controller: switched off" : "controller: switched on";
        const int before = program.CountTrace(marker);
        e2e::Sim("press");
        for (int wait = 0; wait < 200 && program.CountTrace(marker) == before; ++wait) {
            Sleep(50);
        }
        done += program.CountTrace(marker) > before ? 1 : 0;
    }
    e2e::Figure("surgepad.switches", done, "");
    const DWORD gdi1 = GetGuiResources(program.Process(), GR_GDIOBJECTS);
    const DWORD user1 = GetGuiResources(program.Process(), GR_USEROBJECTS);
    if (gdi0 + gdi1 + user0 + user1 == 0) {
        // Wine answers 0 for every process; on Windows the counts are printed.
        std::printf("figure: GDI and USER object counts are not available here (GetGuiResources gives 0)\n");
    } else {
        e2e::Figure("surgepad.gdi_objects_before", gdi0, "");
        e2e::Figure("surgepad.gdi_objects_after", gdi1, "");
        e2e::Figure("surgepad.user_objects_before", user0, "");
        e2e::Figure("surgepad.user_objects_after", user1, "");
    }
    e2e::Figure("surgepad.private_bytes_before", private0, "KiB");
    e2e::Figure("surgepad.private_bytes_after", static_cast<double>(e2e::ProcessMemory(program.Process()).privateKiB),
                "KiB");
    e2e::Figure("surgepad.working_set_after_switches",
                static_cast<double>(e2e::ProcessMemory(program.Process()).workingSetKiB), "KiB");
    program.Stop();
}

}  // namespace
