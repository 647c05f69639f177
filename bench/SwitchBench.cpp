// Figures of the real program under Wine, against the stand-ins, each next to the
// empty Win32 program (bench_empty.exe) measured the same way in the same run:
//   - press to display: this program posts the press broadcast itself and polls the
//     display window until it is visible; median and maximum over the presses;
//   - start to tray icon against the empty program's start to its first window, both
//     from process creation (the trace's own clock);
//   - idle working set, processor time and wake-ups;
//   - processor time of one drawn fade (the display page put up, 49 steps of falling
//     opacity, hidden) against the empty program's 50 bare UpdateLayeredWindow calls
//     of the same picture on the same schedule;
//   - the size of the executables.
// The Soak test (make soak, left out of make bench) runs many switches and prints
// memory and handle counts along the way. Nothing here passes or fails on time or on
// a figure; a test fails only when a program dies or a switch does not complete.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

constexpr char kBroadcastName[] = "WM_KORA_BROADCAST_MESSAGE";
constexpr WPARAM kPress = 0x2255;
constexpr char kSwitchedOn[] = "controller: switched on";
constexpr char kSwitchedOff[] = "controller: switched off";
constexpr char kPressIgnored[] = "controller: an effect is running; the press is ignored";
constexpr char kEmptyExe[] = "bench_empty.exe";
constexpr char kEmptyDisplayClass[] = "SurgepadBenchDisplay";
constexpr char kOsdClass[] = "TOsdForm";
// The page a switch-on puts up (326 x 310, 32-bit): the empty program fades the same.
constexpr char kOsdPicture[] = "Resource\\turbo_on.png";

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::atoi(v) : fallback;
}

int IdleSeconds() {
    return EnvInt("SURGEPAD_BENCH_IDLE_SECONDS", 60);
}

int Presses() {
    return EnvInt("SURGEPAD_BENCH_PRESSES", 20);
}

void Print(const std::string& name, double value, const char* unit, int decimals = 1) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    testing::Test::RecordProperty(name, text);
    std::printf("figure: %s = %s %s\n", name.c_str(), text, unit);
    std::fflush(stdout);
}

// Figures of the empty program, kept for the comparisons printed by Surgepad's run.
std::map<std::string, double> g_baseline;

// Surgepad's figure next to the empty program's, with their ratio (and difference).
void Compare(const std::string& name, double value, const char* unit, const char* target) {
    if (value < 0) {
        std::printf("figure: %s: not measured here (%s)\n", name.c_str(), target);
        std::fflush(stdout);
        return;
    }
    const auto found = g_baseline.find(name);
    if (found == g_baseline.end() || found->second < 0) {
        std::printf("figure: %s: surgepad %.1f %s, no baseline in this run (%s)\n", name.c_str(), value, unit, target);
        std::fflush(stdout);
        return;
    }
    const double base = found->second;
    char ratio[32] = "n/a";
    if (base > 0) {
        std::snprintf(ratio, sizeof ratio, "%.2f", value / base);
        testing::Test::RecordProperty(name + "_ratio_to_empty", ratio);
    }
    std::printf("figure: %s: surgepad %.1f %s, empty %.1f %s, difference %.1f %s, ratio %s x (%s)\n", name.c_str(),
                value, unit, base, unit, value - base, unit, ratio, target);
    std::fflush(stdout);
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The mean of the middle of the values, the fifth highest and lowest left out: one fade
// that met a burst of the machine's other work does not move the figure.
double TrimmedMean(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t cut = values.size() / 5;
    double sum = 0;
    for (size_t i = cut; i + cut < values.size(); ++i) {
        sum += values[i];
    }
    return values.size() > 2 * cut ? sum / static_cast<double>(values.size() - 2 * cut) : 0;
}

double Maximum(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The /proc folder (through Wine's drive Z:) of the Linux process running a Windows
// program of this run's program folder, or "" when none is found. Wine gives the
// Windows side no wake-up counter, and the processor time of threads that have ended
// is kept only by Linux. The folder's path tells this run's program from the copies
// other runs on the machine may have started.
std::string ProcFolder(const std::string& exeName) {
    const std::string program = e2e::ProgramDir() + exeName;
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
        if (cmdline.find(program) != std::string::npos) {
            folder = dir;
            break;
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return folder;
}

// Wake-ups: the voluntary context switches (each one a sleep that ended) of each of
// the process's threads, by Linux thread id (the first thread's is the process's);
// empty when unknown.
std::map<std::string, long long> Wakeups(const std::string& dir) {
    std::map<std::string, long long> threads;
    WIN32_FIND_DATAA task;
    HANDLE tasks = dir.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA((dir + "task\\*").c_str(), &task);
    if (tasks == INVALID_HANDLE_VALUE) {
        return threads;
    }
    do {
        const std::string tid = task.cFileName;
        if (tid.empty() || tid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::istringstream status(ReadAll(dir + "task\\" + tid + "\\status"));
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                threads[tid] = std::atoll(line.substr(line.find(':') + 1).c_str());
            }
        }
    } while (FindNextFileA(tasks, &task));
    FindClose(tasks);
    return threads;
}

// User and system time of the whole process, ended threads included, in ms; -1 when
// unknown. Fields 14 and 15 of /proc/PID/stat, in ticks of 10 ms: a figure of a single
// fade is read over many and divided.
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

// Where the resident memory goes: the Rss of /proc/PID/smaps summed by mapped file
// (its name), with memory of no file as "private memory"; KiB, by name.
std::map<std::string, long long> ResidentByMapping(const std::string& dir) {
    std::map<std::string, long long> by;
    if (dir.empty()) {
        return by;
    }
    std::istringstream maps(ReadAll(dir + "smaps"));
    std::string name = "private memory";
    for (std::string line; std::getline(maps, line);) {
        if (line.rfind("Rss:", 0) == 0) {
            by[name] += std::atoll(line.c_str() + 4);
            continue;
        }
        // A mapping's header: "start-end perms offset dev inode [path]".
        const size_t dash = line.find('-');
        if (dash == std::string::npos || dash == 0 || line.find_first_not_of("0123456789abcdef") != dash) {
            continue;
        }
        std::istringstream header(line);
        std::string range, perms, offset, dev, inode, path;
        header >> range >> perms >> offset >> dev >> inode;
        std::getline(header >> std::ws, path);
        if (path.empty() || path[0] == '[') {
            name = path.empty() || path == "[heap]" ? "private memory" : path;
        } else {
            name = path.substr(path.find_last_of('/') + 1);
        }
    }
    return by;
}

// The program's resident memory next to the empty program's, by mapping: the largest
// differences first. Printed, never judged.
void PrintResidentDifference(const std::map<std::string, long long>& program,
                             const std::map<std::string, long long>& empty) {
    std::vector<std::pair<long long, std::string>> differences;
    for (const auto& [name, kib] : program) {
        const auto base = empty.find(name);
        const long long difference = kib - (base != empty.end() ? base->second : 0);
        if (difference != 0) {
            differences.emplace_back(difference, name);
        }
    }
    std::sort(differences.rbegin(), differences.rend());
    long long total = 0;
    for (const auto& [difference, name] : differences) {
        total += difference;
    }
    std::printf("figure: resident memory above the empty program, by mapping (Rss of smaps, %lld KiB in all):\n",
                total);
    for (size_t i = 0; i < differences.size() && i < 16; ++i) {
        std::printf("figure:   %+7lld KiB  %s\n", differences[i].first, differences[i].second.c_str());
    }
    std::fflush(stdout);
}

std::map<std::string, long long> g_emptyResident;

long long Total(const std::map<std::string, long long>& threads) {
    long long total = 0;
    for (const auto& [tid, count] : threads) {
        total += count;
    }
    return total;
}

struct Idle {
    double cpuMs = -1;
    double wakeupsPerSecond = -1;
    int bursts = -1;
};

// Processor time and wake-ups of an idle program over the idle window.
Idle MeasureIdle(const std::string& proc, const std::string& prefix) {
    const int seconds = IdleSeconds();
    const double cpu0 = LinuxCpuMs(proc);
    const auto wake0 = Wakeups(proc);
    // Under Wine every request to the wineserver that waits for its answer is a
    // voluntary switch too, so one timer tick can count several. The 100 ms slots in
    // which the count rose tell the real wake-ups apart: a 5 s check is one slot.
    Idle idle;
    idle.bursts = wake0.empty() ? -1 : 0;
    long long last = Total(wake0);
    for (int slot = 0; slot < seconds * 10; ++slot) {
        Sleep(100);
        if (idle.bursts >= 0) {
            const long long now = Total(Wakeups(proc));
            idle.bursts += now > last ? 1 : 0;
            last = now;
        }
    }
    const double cpu1 = LinuxCpuMs(proc);
    const auto wake1 = Wakeups(proc);
    if (cpu0 >= 0 && cpu1 >= 0) {
        idle.cpuMs = cpu1 - cpu0;
        Print(prefix + ".idle_cpu_ms", idle.cpuMs, ("ms over " + std::to_string(seconds) + " s").c_str());
    }
    if (!wake0.empty() && !wake1.empty()) {
        // Each thread on its own, so that the one that wakes shows; a thread that began
        // or ended within the window counts from 0 or not at all.
        long long total = 0;
        for (const auto& [tid, count] : wake1) {
            const auto before = wake0.find(tid);
            const long long woke = count - (before != wake0.end() ? before->second : 0);
            total += woke;
            std::printf("figure: %s idle wake-ups of thread %s%s: %lld\n", prefix.c_str(), tid.c_str(),
                        proc.find("\\" + tid + "\\") != std::string::npos ? " (the first)" : "", woke);
        }
        idle.wakeupsPerSecond = static_cast<double>(total) / seconds;
        Print(prefix + ".idle_voluntary_switches_per_s", idle.wakeupsPerSecond, "/s", 2);
        Print(prefix + ".idle_wakeup_bursts", idle.bursts,
              ("100 ms slots with a wake-up over " + std::to_string(seconds) + " s").c_str(), 0);
    }
    return idle;
}

void PostPress() {
    static const UINT message = RegisterWindowMessageA(kBroadcastName);
    PostMessageA(HWND_BROADCAST, message, kPress, 0);
}

// Waits until `window`'s visibility is `visible`; false after `timeoutMs`.
bool WaitVisibility(HWND window, bool visible, DWORD timeoutMs, DWORD pollMs) {
    const double end = NowMs() + timeoutMs;
    while ((IsWindowVisible(window) != FALSE) != visible) {
        if (NowMs() > end) {
            return false;
        }
        Sleep(pollMs);
    }
    return true;
}

struct PressRun {
    std::vector<double> toVisibleMs;
    double cpuUntilHiddenMs = 0;          // the sum over every press; -1 when unknown
    std::vector<double> cpuHiddenEachMs;  // the same, press by press
    double cpuUntilDoneMs = 0;            // the same, until the press's work was done
    // Trace lines the program wrote between the post and the display: each one stops
    // the program until this debugger has taken it.
    std::vector<double> linesToVisible;
    std::string firstPressLines;
    double besideCpuMs = 0;  // the companion's processor time, summed; -1 when unknown
};

// A second program answering the same presses (the empty program's fade), whose own
// processor time is read over each press's fade too.
struct Companion {
    e2e::Surgepad& program;
    std::string proc;
};

// Presses `presses` times. Each time: the broadcast is posted, the display window is
// polled until it is visible (the time taken), then until it is hidden (the process's
// processor time since the post), then the press's work is waited for: the trace line
// `doneLine(i)` (none when it gives null) or a short pause. With a companion, its
// processor time is read from the post until its fade is done.
template <typename DoneLine>
::testing::AssertionResult Press(e2e::Surgepad& program, const std::string& proc, HWND display, int presses,
                                 DoneLine doneLine, PressRun& run, const Companion* beside = nullptr) {
    for (int i = 0; i < presses; ++i) {
        const char* done = doneLine(i);
        const int before = done != nullptr ? program.CountTrace(done) : 0;
        const size_t lines = program.Trace().size();
        const int besideBefore = beside != nullptr ? beside->program.CountTrace("empty: faded") : 0;
        const double besideCpu0 = beside != nullptr ? LinuxCpuMs(beside->proc) : -1;
        const double cpu0 = LinuxCpuMs(proc);
        const double pressed = NowMs();
        PostPress();
        if (!WaitVisibility(display, true, 10000, 1)) {
            return ::testing::AssertionFailure() << "press " << i << ": no display within 10 s\n"
                                                 << program.TraceText();
        }
        run.toVisibleMs.push_back(NowMs() - pressed);
        const std::vector<std::string> trace = program.Trace();
        run.linesToVisible.push_back(static_cast<double>(trace.size() - lines));
        for (size_t n = lines; i == 0 && n < trace.size(); ++n) {
            run.firstPressLines += "  | " + trace[n] + "\n";
        }
        if (!WaitVisibility(display, false, 15000, 2)) {
            return ::testing::AssertionFailure() << "press " << i << ": display still up after 15 s";
        }
        const double cpu1 = LinuxCpuMs(proc);
        if (beside != nullptr) {
            for (int wait = 0; wait < 300 && beside->program.CountTrace("empty: faded") == besideBefore; ++wait) {
                Sleep(10);
            }
            if (beside->program.CountTrace("empty: faded") == besideBefore) {
                return ::testing::AssertionFailure() << "press " << i << ": the companion's fade did not end";
            }
            const double besideCpu1 = LinuxCpuMs(beside->proc);
            run.besideCpuMs = besideCpu0 < 0 || besideCpu1 < 0 || run.besideCpuMs < 0
                                  ? -1
                                  : run.besideCpuMs + besideCpu1 - besideCpu0;
        }
        if (done != nullptr) {
            for (int wait = 0; wait < 400 && program.CountTrace(done) == before; ++wait) {
                Sleep(50);
            }
            if (program.CountTrace(done) == before) {
                return ::testing::AssertionFailure() << "press " << i << ": no \"" << done << "\" within 20 s\n"
                                                     << program.TraceText();
            }
        }
        const double cpu2 = LinuxCpuMs(proc);
        if (cpu0 < 0 || cpu1 < 0 || cpu2 < 0 || run.cpuUntilHiddenMs < 0) {
            run.cpuUntilHiddenMs = -1;
            run.cpuUntilDoneMs = -1;
        } else {
            run.cpuUntilHiddenMs += cpu1 - cpu0;
            run.cpuHiddenEachMs.push_back(cpu1 - cpu0);
            run.cpuUntilDoneMs += cpu2 - cpu0;
        }
        // The effect's thread clears its busy flag just after the line: a press that
        // came sooner would be ignored.
        Sleep(300);
    }
    return ::testing::AssertionSuccess();
}

const char* SwitchLine(int i) {
    // Turbo is off at start: the first press switches on.
    return i % 2 == 0 ? kSwitchedOn : kSwitchedOff;
}

// Waits until no process runs `exeName` any more, so that ProcFolder finds the next.
void WaitGone(const std::string& exeName) {
    for (int i = 0; i < 100 && !ProcFolder(exeName).empty(); ++i) {
        Sleep(50);
    }
}

// The empty program copied beside Surgepad (the runner's program folder holds
// Surgepad's files; the baseline comes from beside this program).
bool CopyEmptyProgram() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return CopyFileA((dir + kEmptyExe).c_str(), (e2e::ProgramDir() + kEmptyExe).c_str(), FALSE) != FALSE;
}

double FileKiB(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<double>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) / 1024.0;
}

// Starts measured, for each program: the first start in a fresh prefix also pays for
// the prefix, so the median of a few is compared.
constexpr int kStarts = 3;

TEST(Bench, EmptyProgram) {
    ASSERT_TRUE(CopyEmptyProgram());
    {
        std::vector<double> starts;
        for (int i = 0; i < kStarts - 1; ++i) {
            e2e::Surgepad empty("", kEmptyExe);
            const auto running = empty.WaitForTrace("empty: running", 30000);
            ASSERT_TRUE(running.has_value()) << empty.TraceText();
            starts.push_back(running->ms);
            TerminateProcess(empty.Process(), 0);
            empty.WaitForExit(5000);
            WaitGone(kEmptyExe);
        }
        e2e::Surgepad empty("", kEmptyExe);
        const auto running = empty.WaitForTrace("empty: running", 30000);
        ASSERT_TRUE(running.has_value()) << empty.TraceText();
        starts.push_back(running->ms);
        for (const double ms : starts) {
            Print("empty.start_to_window_ms", ms, "ms from process creation");
        }
        g_baseline["start_ms"] = Median(starts);
        Print("empty.start_to_window_median_ms", Median(starts), "ms");
        const std::string proc = ProcFolder(kEmptyExe);
        Sleep(2000);
        g_baseline["working_set_idle"] = static_cast<double>(e2e::ProcessMemory(empty.Process()).workingSetKiB);
        Print("empty.working_set_idle", g_baseline["working_set_idle"], "KiB");
        g_emptyResident = ResidentByMapping(proc);
        const Idle idle = MeasureIdle(proc, "empty");
        g_baseline["idle_cpu"] = idle.cpuMs;
        g_baseline["idle_switches"] = idle.wakeupsPerSecond;
        g_baseline["idle_bursts"] = idle.bursts;

        HWND window = FindWindowA(kEmptyDisplayClass, nullptr);
        ASSERT_NE(window, nullptr);
        PressRun run;
        ASSERT_TRUE(Press(
            empty, proc, window, Presses(), [](int) -> const char* { return nullptr; }, run));
        g_baseline["press_to_display_median"] = Median(run.toVisibleMs);
        g_baseline["press_to_display_max"] = Maximum(run.toVisibleMs);
        Print("empty.press_to_window_visible_median_ms", Median(run.toVisibleMs), "ms");
        Print("empty.press_to_window_visible_max_ms", Maximum(run.toVisibleMs), "ms");
        ASSERT_TRUE(empty.Running());
        TerminateProcess(empty.Process(), 0);
        empty.WaitForExit(5000);
    }
    WaitGone(kEmptyExe);

    // The like-for-like baseline of the idle working set: a tray utility's libraries.
    {
        e2e::Surgepad tray("--tray", kEmptyExe);
        ASSERT_TRUE(tray.WaitForTrace("empty: running", 30000).has_value()) << tray.TraceText();
        Sleep(2000);
        g_baseline["working_set_idle_tray"] = static_cast<double>(e2e::ProcessMemory(tray.Process()).workingSetKiB);
        Print("empty.working_set_idle", g_baseline["working_set_idle"], "KiB (the plain program)");
        Print("empty_tray.working_set_idle", g_baseline["working_set_idle_tray"],
              "KiB (with a tray icon and the common controls)");
        TerminateProcess(tray.Process(), 0);
        tray.WaitForExit(5000);
    }
    WaitGone(kEmptyExe);

    // The fade baseline, in a process of its own so that its processor time is its own.
    e2e::Surgepad fade(std::string("--fade \"") + e2e::ProgramDir() + kOsdPicture + "\"", kEmptyExe);
    ASSERT_TRUE(fade.WaitForTrace("empty: running", 30000)) << fade.TraceText();
    const std::string proc = ProcFolder(kEmptyExe);
    Sleep(1000);
    HWND window = FindWindowA(kEmptyDisplayClass, nullptr);
    ASSERT_NE(window, nullptr);
    PressRun run;
    ASSERT_TRUE(Press(
        fade, proc, window, Presses(), [](int) { return "empty: faded"; }, run));
    // The same picture put up as Surgepad puts its display up: the system's share of
    // the press-to-display time.
    g_baseline["press_to_picture_median"] = Median(run.toVisibleMs);
    Print("empty.press_to_layered_picture_visible_median_ms", Median(run.toVisibleMs), "ms");
    Print("empty.press_to_layered_picture_visible_max_ms", Maximum(run.toVisibleMs), "ms");
    if (run.cpuUntilHiddenMs >= 0) {
        g_baseline["cpu_per_drawn_fade"] = run.cpuUntilHiddenMs / Presses();
        Print("empty.cpu_per_50_bare_update_layered_window_ms", g_baseline["cpu_per_drawn_fade"],
              ("ms (Linux utime+stime over " + std::to_string(Presses()) + " fades, divided)").c_str(), 2);
        g_baseline["cpu_per_drawn_fade_trimmed"] = TrimmedMean(run.cpuHiddenEachMs);
        Print("empty.cpu_per_50_bare_update_layered_window_trimmed_ms", g_baseline["cpu_per_drawn_fade_trimmed"],
              "ms (fade by fade, the fifth highest and lowest left out)", 2);
    }
    ASSERT_TRUE(fade.Running());
    TerminateProcess(fade.Process(), 0);
    fade.WaitForExit(5000);
    WaitGone(kEmptyExe);

    // The same fade made with the program's calls: a step thread handing each step over
    // by SendMessage, and a window DC and a memory DC made at every step, as the
    // program's layered-window maker pushes.
    e2e::Surgepad like(std::string("--fade-like-program \"") + e2e::ProgramDir() + kOsdPicture + "\"", kEmptyExe);
    ASSERT_TRUE(like.WaitForTrace("empty: running", 30000)) << like.TraceText();
    const std::string likeProc = ProcFolder(kEmptyExe);
    Sleep(1000);
    window = FindWindowA(kEmptyDisplayClass, nullptr);
    ASSERT_NE(window, nullptr);
    PressRun likeRun;
    ASSERT_TRUE(Press(
        like, likeProc, window, Presses(), [](int) { return "empty: faded"; }, likeRun));
    if (likeRun.cpuUntilHiddenMs >= 0 && run.cpuUntilHiddenMs > 0) {
        const double perFade = likeRun.cpuUntilHiddenMs / Presses();
        g_baseline["cpu_per_fade_like_program"] = perFade;
        Print("empty.cpu_per_fade_made_with_the_programs_calls_ms", perFade, "ms", 2);
        std::printf("figure: the program's calls against the bare calls: ratio %.2f x\n",
                    perFade / g_baseline["cpu_per_drawn_fade"]);
        const double trimmed = TrimmedMean(likeRun.cpuHiddenEachMs);
        Print("empty.cpu_per_fade_made_with_the_programs_calls_trimmed_ms", trimmed, "ms", 2);
        std::printf("figure: the program's calls against the bare calls, trimmed: ratio %.2f x\n",
                    trimmed / g_baseline["cpu_per_drawn_fade_trimmed"]);
    }
    ASSERT_TRUE(like.Running());
    TerminateProcess(like.Process(), 0);
    like.WaitForExit(5000);
    WaitGone(kEmptyExe);
}

TEST(Bench, Surgepad) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    std::vector<double> starts;
    for (int i = 0; i < kStarts - 1; ++i) {
        e2e::Surgepad program;
        const auto tray = program.WaitForTrace("tray: icon added", 30000);
        ASSERT_TRUE(tray.has_value()) << program.TraceText();
        starts.push_back(tray->ms);
        ASSERT_TRUE(program.WaitForTrace("startup: running", 30000));
        program.Stop();
        ASSERT_FALSE(program.Running());
        WaitGone("Surgepad.exe");
    }
    e2e::Surgepad program;
    const auto tray = program.WaitForTrace("tray: icon added", 30000);
    ASSERT_TRUE(tray.has_value()) << program.TraceText();
    starts.push_back(tray->ms);
    for (const double ms : starts) {
        Print("surgepad.start_to_tray_icon_ms", ms, "ms from process creation");
    }
    Compare("start_ms", Median(starts), "ms", "median of the starts; the empty program: start to its first window");
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000));
    ASSERT_TRUE(program.Sync());
    const std::string proc = ProcFolder("Surgepad.exe");
    Sleep(2000);
    const double workingSet = static_cast<double>(e2e::ProcessMemory(program.Process()).workingSetKiB);
    Print("surgepad.working_set_idle", workingSet, "KiB");
    Compare("working_set_idle", workingSet, "KiB", "the plain empty program");
    Compare("working_set_idle_tray", workingSet, "KiB",
            "like for like (a tray icon and the common controls); target: at most 4096 KiB above");
    PrintResidentDifference(ResidentByMapping(proc), g_emptyResident);
    const Idle idle = MeasureIdle(proc, "surgepad");
    Compare("idle_cpu", idle.cpuMs, "ms", "over the same idle window");
    Compare("idle_switches", idle.wakeupsPerSecond, "/s", "voluntary context switches, wineserver requests included");
    Compare(
        "idle_bursts", idle.bursts, "wake-ups",
        ("target: only the 5 s check above the empty program, " + std::to_string(IdleSeconds() / 5) + " here").c_str());

    HWND osd = FindWindowA(kOsdClass, nullptr);
    ASSERT_NE(osd, nullptr);
    PressRun run;
    ASSERT_TRUE(Press(program, proc, osd, Presses(), SwitchLine, run));
    Print("surgepad.press_to_display_visible_median_ms", Median(run.toVisibleMs), "ms");
    Print("surgepad.press_to_display_visible_max_ms", Maximum(run.toVisibleMs), "ms");
    Compare("press_to_display_median", Median(run.toVisibleMs), "ms", "target: at most 16 ms");
    Compare("press_to_display_max", Maximum(run.toVisibleMs), "ms", "the worst of the presses");
    Compare("press_to_picture_median", Median(run.toVisibleMs), "ms",
            "against the empty program putting the same layered picture up");
    Print("surgepad.trace_lines_from_press_to_display_median", Median(run.linesToVisible), "lines");
    std::printf("figure: surgepad: the trace lines from the first press to its display:\n%s",
                run.firstPressLines.c_str());
    if (run.cpuUntilHiddenMs >= 0) {
        const double perFade = run.cpuUntilHiddenMs / Presses();
        Print("surgepad.cpu_per_drawn_fade_ms", perFade,
              ("ms (Linux utime+stime over " + std::to_string(Presses()) + " fades, divided)").c_str(), 2);
        Compare("cpu_per_drawn_fade", perFade, "ms", "target: ratio at most 1.1");
        Compare("cpu_per_drawn_fade_trimmed", TrimmedMean(run.cpuHiddenEachMs), "ms",
                "fade by fade, the fifth highest and lowest left out; target: ratio at most 1.1");
        Print("surgepad.cpu_per_whole_switch_ms", run.cpuUntilDoneMs / Presses(), "ms (fade, writes and tray)", 2);
    }

    // The settings window, first opened (its skin is made then) and opened again: from
    // the program's taking the tray click to the window shown and to its open animation's end.
    for (int opening = 1; opening <= 2; ++opening) {
        ASSERT_EQ(e2e::Sim("tray click"), 0);
        const auto click = program.WaitForTrace("tray: click", 10000, opening);
        const auto shown = program.WaitForTrace("settings: opening at", 10000, opening);
        const auto opened = program.WaitForTrace("settings: opened", 10000, opening);
        ASSERT_TRUE(click && shown && opened) << program.TraceText();
        const std::string which = opening == 1 ? "first" : "second";
        Print("surgepad.tray_click_to_settings_window_shown_" + which + "_ms", shown->ms - click->ms, "ms");
        Print("surgepad.tray_click_to_settings_window_opened_" + which + "_ms", opened->ms - click->ms,
              "ms (the open animation's end)");
        PostMessageA(FindWindowA("TSettingForm", nullptr), WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(program.WaitForTrace("settings: closed", 10000, opening)) << program.TraceText();
    }

    // Both fades at once: the empty program's fade and the program's drawn fade, started
    // by the same press, so that the machine's other work (the X server, the compositor,
    // the wineserver) weighs on both alike. Each process's own processor time is read.
    // Against the 50 bare calls made by a thread that sleeps through the fade, and
    // against the same calls made by a thread that handles its queue between steps, as
    // the program's window thread does.
    const auto sideBySide = [&](const char* mode, const char* name) {
        e2e::Surgepad bare(std::string(mode) + " \"" + e2e::ProgramDir() + kOsdPicture + "\"", kEmptyExe);
        ASSERT_TRUE(bare.WaitForTrace("empty: running", 30000)) << bare.TraceText();
        const Companion companion{bare, ProcFolder(kEmptyExe)};
        Sleep(1000);
        PressRun both;
        ASSERT_TRUE(Press(program, proc, osd, Presses(), SwitchLine, both, &companion));
        if (both.cpuUntilHiddenMs >= 0 && both.besideCpuMs > 0) {
            Print(std::string("surgepad.cpu_per_drawn_fade_beside_") + name + "_ms", both.cpuUntilHiddenMs / Presses(),
                  "ms", 2);
            Print(std::string("empty.cpu_per_fade_") + name + "_ms", both.besideCpuMs / Presses(), "ms", 2);
            std::printf("figure: cpu_per_drawn_fade against the %s, started by the same press: ratio %.2f x%s\n", name,
                        both.cpuUntilHiddenMs / both.besideCpuMs,
                        std::string(mode) == "--fade" ? " (target: at most 1.1)" : "");
        }
        ASSERT_TRUE(bare.Running());
        TerminateProcess(bare.Process(), 0);
        bare.WaitForExit(5000);
        WaitGone(kEmptyExe);
    };
    sideBySide("--fade", "bare_calls_sleeping_between_steps");
    sideBySide("--fade-pumping", "bare_calls_handling_the_queue_between_steps");

    // A fade alone, with neither display nor badge drawn: the effect thread's own cost.
    // Turbo is off after an even number of presses, so this press switches on.
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, false));
    const char* line = SwitchLine(Presses());
    const int before = program.CountTrace(line);
    const double cpuQuiet = LinuxCpuMs(proc);
    const double quietStart = NowMs();
    PostPress();
    for (int wait = 0; wait < 400 && program.CountTrace(line) == before; ++wait) {
        Sleep(20);
    }
    ASSERT_GT(program.CountTrace(line), before) << program.TraceText();
    if (cpuQuiet >= 0) {
        Print("surgepad.cpu_share_of_one_core_during_undrawn_fade",
              100.0 * (LinuxCpuMs(proc) - cpuQuiet) / (NowMs() - quietStart), "%", 2);
    }
    ASSERT_TRUE(program.Running());
    program.Stop();
}

// Idle with every rule of automatic turbo enabled and nothing running: a listed program,
// game mode, turbo off on battery. The rules wait on events (a foreground hook, the
// power notifications), so the wake-ups stay the 5 s check alone.
TEST(Bench, SurgepadWithEveryRuleEnabled) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, e2e::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char programs[] = "game.exe\0launcher.exe\0";
    RegSetValueExA(key, "TurboPrograms", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(programs), sizeof programs);
    RegCloseKey(key);
    ASSERT_TRUE(e2e::SetUserDword(e2e::kSettingsKey, "TurboInGameMode", 1));
    ASSERT_TRUE(e2e::SetUserDword(e2e::kSettingsKey, "TurboOffOnBattery", 1));
    e2e::Surgepad program;
    const auto started = program.WaitForTrace("turbo rules: started", 30000);
    ASSERT_TRUE(started && program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    std::printf("figure: surgepad with every rule enabled: %s\n", started->text.c_str());
    ASSERT_TRUE(program.Sync());
    const std::string proc = ProcFolder("Surgepad.exe");
    Sleep(2000);
    const Idle idle = MeasureIdle(proc, "surgepad_every_rule");
    Compare("idle_bursts", idle.bursts, "wake-ups",
            ("every rule enabled, nothing running; target: only the 5 s check above the empty program, " +
             std::to_string(IdleSeconds() / 5) + " here")
                .c_str());
    Compare("idle_cpu", idle.cpuMs, "ms", "every rule enabled, over the same idle window");
    ASSERT_TRUE(program.Running());
    program.Stop();
}

// Idle with turbo on and the badge shown: the badge learns of full-screen applications
// from the foreground hook and the shell's application-bar notice, so the wake-ups stay
// the 5 s check alone here too.
TEST(Bench, SurgepadWithTurboOnAndTheBadgeShown) {
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, false, true));
    e2e::Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    PostPress();
    ASSERT_TRUE(program.WaitForTrace("controller: switched on", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    ASSERT_TRUE(e2e::VisibleWindow("TStatusForm")) << "the badge is shown";
    const std::string proc = ProcFolder("Surgepad.exe");
    Sleep(2000);
    const Idle idle = MeasureIdle(proc, "surgepad_turbo_on_badge");
    Compare("idle_bursts", idle.bursts, "wake-ups",
            ("turbo on, the badge shown; target: only the 5 s check above the empty program, " +
             std::to_string(IdleSeconds() / 5) + " here")
                .c_str());
    Compare("idle_cpu", idle.cpuMs, "ms", "turbo on, the badge shown, over the same idle window");
    ASSERT_TRUE(program.Running());
    program.Stop();
}

// The release executables: Surgepad.exe against the empty program, both as built for
// x64 here and, when tools/bench.sh found them, for x86 (SURGEPAD_BENCH_X86_EXE and
// SURGEPAD_BENCH_X86_EMPTY_EXE, unix paths).
TEST(Bench, ExecutableSize) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    const double program64 = FileKiB(e2e::ProgramDir() + "Surgepad.exe");
    const double empty64 = FileKiB(dir + kEmptyExe);
    ASSERT_GT(program64, 0);
    ASSERT_GT(empty64, 0);
    Print("surgepad.x64_exe_size", program64, "KiB");
    Print("empty.x64_exe_size", empty64, "KiB");
    std::printf("figure: x64 executable: ratio %.1f x the empty program\n", program64 / empty64);

    const char* x86 = std::getenv("SURGEPAD_BENCH_X86_EXE");
    if (x86 == nullptr || *x86 == '\0') {
        std::printf("figure: x86 executable: not measured (no x86 build found by tools/bench.sh)\n");
        return;
    }
    const double program86 = FileKiB(e2e::WindowsPath(x86));
    ASSERT_GT(program86, 0) << x86;
    Print("surgepad.x86_exe_size", program86, "KiB (target: under 600 KB, 585.9 KiB)");
    const char* emptyX86 = std::getenv("SURGEPAD_BENCH_X86_EMPTY_EXE");
    const double empty86 = emptyX86 != nullptr && *emptyX86 != '\0' ? FileKiB(e2e::WindowsPath(emptyX86)) : -1;
    if (empty86 > 0) {
        Print("empty.x86_exe_size", empty86, "KiB");
        std::printf("figure: x86 executable: ratio %.1f x the empty program, %.1f KiB left under 600 KB\n",
                    program86 / empty86, 600000.0 / 1024 - program86);
    }
}

// The kernel handles a process holds. Wine's GetProcessHandleCount answers 0 for
// another process; the system's handle table (what Windows' tools read too) is then
// counted. 0 when neither is available.
DWORD HandleCount(HANDLE process, DWORD pid) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count != 0) {
        return count;
    }
    struct Entry {
        void* object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    constexpr int kExtendedHandleInformation = 64;
    std::vector<char> buffer(1 << 20);
    for (int attempt = 0; query != nullptr && attempt < 6; ++attempt) {
        ULONG needed = 0;
        const LONG status =
            query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const auto* table = reinterpret_cast<const Table*>(buffer.data());
            for (ULONG_PTR n = 0; n < table->count; ++n) {
                count += table->entries[n].pid == pid ? 1 : 0;
            }
            return count;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return 0;
}

// Many switches of the real program (make soak): private bytes, working set and
// handles before, every 100 switches and after, so that a leak shows as a slope.
void PrintSoak(e2e::Surgepad& program, const std::string& when) {
    const e2e::Memory memory = e2e::ProcessMemory(program.Process());
    const DWORD handles = HandleCount(program.Process(), program.Pid());
    const DWORD gdi = GetGuiResources(program.Process(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(program.Process(), GR_USEROBJECTS);
    std::printf("figure: soak %-14s private %6zu KiB, working set %6zu KiB, handles %4lu", when.c_str(),
                memory.privateKiB, memory.workingSetKiB, handles);
    if (gdi + user != 0) {
        std::printf(", GDI objects %lu, USER objects %lu", gdi, user);
    }
    std::printf("\n");
    std::fflush(stdout);
    testing::Test::RecordProperty("soak " + when + " private_kib", std::to_string(memory.privateKiB));
    testing::Test::RecordProperty("soak " + when + " handles", std::to_string(handles));
}

TEST(Soak, FiveHundredSwitches) {
    const int switches = EnvInt("SURGEPAD_SOAK_SWITCHES", 500);
    e2e::UseBoard("full.txt");
    ASSERT_TRUE(e2e::ChooseTurbo(0, true, true));
    e2e::Surgepad program;
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    Sleep(2000);
    if (GetGuiResources(program.Process(), GR_GDIOBJECTS) + GetGuiResources(program.Process(), GR_USEROBJECTS) == 0) {
        std::printf(
            "figure: soak: GDI and USER object counts are not available here (Wine's GetGuiResources gives "
            "0 for every process); handles are the process's kernel handles (GetProcessHandleCount, or the system's "
            "handle table where that gives 0)\n");
    }
    PrintSoak(program, "before");
    const double start = NowMs();
    for (int i = 0; i < switches; ++i) {
        const char* line = SwitchLine(i);
        const int before = program.CountTrace(line);
        int ignored = program.CountTrace(kPressIgnored);
        int retries = 0;
        PostPress();
        for (int wait = 0; wait < 400 && program.CountTrace(line) == before; ++wait) {
            if (program.CountTrace(kPressIgnored) > ignored) {
                // The previous effect was still ending: press again, a few times at most.
                ASSERT_LT(++retries, 5) << "switch " << i + 1 << ": every press ignored\n" << program.TraceText();
                ignored = program.CountTrace(kPressIgnored);
                Sleep(100);
                PostPress();
            }
            Sleep(50);
        }
        ASSERT_TRUE(program.Running()) << "the program ended at switch " << i + 1;
        ASSERT_GT(program.CountTrace(line), before) << "switch " << i + 1 << " did not complete within 20 s\n"
                                                    << program.TraceText();
        Sleep(200);
        if ((i + 1) % 100 == 0 && i + 1 < switches) {
            PrintSoak(program, "after " + std::to_string(i + 1));
        }
    }
    PrintSoak(program, "after " + std::to_string(switches));
    std::printf("figure: soak: %d switches in %.0f s\n", switches, (NowMs() - start) / 1000);
    ASSERT_TRUE(program.Running());
    program.Stop();
}

}  // namespace
