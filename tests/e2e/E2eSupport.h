#pragma once
// The helper layer of the end-to-end tests: they drive the real Surgepad.exe in the
// Wine prefix, desktop and program folder that tools/e2e-run.sh made for them.
//
// Surgepad's diagnostics trace (its debugger output) is how a test sees what the
// program received: the test starts the program as its debugger and collects every
// line. kora-sim.exe stands in for the board maker's other programs and the system;
// the journal, the registry and screenshots show the rest.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {

// Folders of the run (Windows paths, ending in "\").
std::string ProgramDir();
std::string WorkDir();
std::string BoardsDir();
std::string ShotsDir();
// A unix path as the prefix sees it (drive Z:).
std::string WindowsPath(const std::string& unixPath);

// Points the stand-ins of every program started afterwards at a board file of the
// boards folder, a fresh state file and the run's journal.
void UseBoard(const std::string& boardFile);
std::string JournalPath();
// A file's whole content; empty when it cannot be read.
std::string FileText(const std::string& path);
std::vector<std::string> JournalLines();
// The firmware's item values in the simulator's state, one line each (the core
// selector's choice left out: every read of a per-core ratio moves it).
std::string FirmwareValues();

// Another program writing a firmware value through the library (as the companion
// tool would): ordinal 2 of KRACPI.DLL, in overclocking mode.
bool FirmwareSet(uint32_t id, uint32_t value);

// Runs kora-sim.exe with `args` and returns its exit code (-1 when it did not end).
int Sim(const std::string& args, DWORD timeoutMs = 15000);
// A second account of this machine (tools/other-account.sh): a session and user
// settings of its own, the same board, schemes, journal and machine-wide program data.
// `words`: "run" or "start", then a program (a name in the program folder, or a
// Windows program such as "reg") and its arguments (no double quotes), or "end". The
// exit status of "run" (0 for the others), or nullopt when it did not end in time.
std::optional<int> OtherAccount(const std::vector<std::string>& words, DWORD timeoutMs = 60000);
// What the other account's programs printed, their trace lines included.
std::string OtherAccountLog();

// Lines of the journal or the trace: the first at or after `from` that contains
// `text` (npos when none), how many contain it, all of them one a line (for failure
// messages), and the journal from line `from` on.
size_t Find(const std::vector<std::string>& lines, const std::string& text, size_t from = 0);
int Count(const std::vector<std::string>& lines, const std::string& text);
std::string Joined(const std::vector<std::string>& lines);
std::vector<std::string> JournalFrom(size_t from);

// A kora-sim subcommand that runs until its owner ends it (service, listen, window).
class SimProcess {
public:
    explicit SimProcess(const std::string& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

private:
    HANDLE m_process = nullptr;
};

struct TraceLine {
    std::string text;
    double ms;  // since the program was started
};

// Surgepad.exe, started from the program folder as a debuggee of this process. `exe`
// is a name in the program folder or a full path (an installed copy); the program
// starts in its own folder.
class Surgepad {
public:
    // `killAtLine`: as KillAtLine, armed before the program starts.
    explicit Surgepad(const std::string& arguments = "", const std::string& exe = "Surgepad.exe",
                      size_t killAtLine = 0);
    ~Surgepad();
    Surgepad(const Surgepad&) = delete;
    Surgepad& operator=(const Surgepad&) = delete;

    bool Started() const { return m_pid != 0; }
    DWORD Pid() const { return m_pid; }
    HANDLE Process() const { return m_process; }

    // Waits for a trace line containing `text`; the first such line (the `nth`, counted
    // from 1), or nullopt.
    std::optional<TraceLine> WaitForTrace(const std::string& text, DWORD timeoutMs = 10000, int nth = 1);
    int CountTrace(const std::string& text) const;
    std::vector<std::string> Trace() const;
    std::string TraceText() const;

    // Waits for the program's end; its exit code, or nullopt when it still runs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    bool Running() const;

    // Posts a marker command (the reserved private message 1025) and waits until the
    // program has handled it: everything posted before it has been handled too.
    bool Sync(DWORD timeoutMs = 10000);

    // Ends the program: the close command, then, if need be, by force.
    void Stop();
    // Trace lines so far; KillAtLine(n) ends the program by force the moment its n-th
    // trace line arrives, while it waits for this debugger in the middle of its work
    // (the board stand-ins trace every call they take, so that is after any of them).
    size_t LineCount() const;
    void KillAtLine(size_t n);
    // Holds the thread that writes the next trace line containing `text` in the middle
    // of its work (the program's other threads go on) until ReleaseHold, so that a
    // moment that passes in milliseconds (the display's page at full opacity, before
    // its fade begins) can be looked at. WaitHeld: true once held.
    void HoldAtTrace(const std::string& text);
    bool WaitHeld(DWORD timeoutMs = 15000);
    void ReleaseHold();

private:
    void DebugLoop(std::string commandLine);
    // True when the line is the one to hold at.
    bool AddLine(std::string line);
    void Hold(DWORD threadId);

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<TraceLine> m_lines;
    std::optional<DWORD> m_exitCode;
    bool m_startDone = false;
    DWORD m_pid = 0;
    HANDLE m_process = nullptr;
    ULONGLONG m_startTick = 0;
    int m_syncs = 0;
    size_t m_killAtLine = 0;
    std::string m_holdText;
    bool m_held = false;
    HANDLE m_heldThread = nullptr;
    std::thread m_loop;
};

// Windows.
// The window of that class once it is visible, or nullptr after `timeoutMs`.
HWND WaitVisible(const char* className, DWORD timeoutMs = 3000);
// A window of this test process in front of everything at `r`, as a game shows itself.
HWND ShowInFront(const RECT& r);
// Tells the programs that watch the front that `window` (null: the desktop) is in front,
// as the system does when the front changes; Wine 8 leaves that event out.
void AnnounceForeground(HWND window);
bool VisibleWindow(const char* className);

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs, DWORD pid = 0);
HWND MainWindow();
HWND ApplicationWindow(DWORD pid);
// A message box (dialog class "#32770") with that caption, of process `pid` if given.
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD pid = 0);
std::string MessageBoxText(HWND box);
void PressOk(HWND box);
// A key pressed and released as the user types it, then `pauseMs` for the program to act.
void PressKey(WORD vk, DWORD pauseMs = 150);

// Screen captures (24-bit, top-down rows).
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;
    bool Empty() const { return bgr.empty(); }
    COLORREF Pixel(int x, int y) const;
};
Capture CaptureScreen();
// Writes a capture into the shots folder as NAME.bmp (the runner turns it into PNG).
bool SaveCapture(const Capture& capture, const std::string& name);
// The notification area of the shell's taskbar, in screen coordinates.
std::optional<RECT> NotificationArea();
// Pixels near `colour` in the notification area, once the shell has repainted (a few
// seconds at most while there are none); the screen is saved as `shot`.
int TrayPixels(COLORREF colour, const char* shot);
// Pixels of `area` within `tolerance` of `colour` in each channel.
int CountPixels(const Capture& capture, const RECT& area, COLORREF colour, int tolerance);
// Pixels of `area` (clipped to the capture) for which `test(x, y, colour)` holds.
int CountPixelsIf(const Capture& capture, const RECT& area, const std::function<bool(int, int, COLORREF)>& test);

// The settings key of the program under HKEY_CURRENT_USER.
constexpr char kSettingsKey[] = "Software\\KORA\\Power Button Setting";
// DWORD values under HKEY_CURRENT_USER; the setter is true when the value was written.
bool SetUserDword(const char* path, const char* name, DWORD value);
std::optional<DWORD> UserDword(const char* path, const char* name);
bool SetUserString(const char* path, const char* name, const char* text);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// The turbo action chosen earlier: the program held the button (the system's button
// does nothing) and the stored action is turbo with `profileType` and the two display
// options. True when every step worked.
bool ChooseTurbo(DWORD profileType, bool osd = true, bool status = true);

// The system's power-button setting as the power-feature stand-in of the program
// folder reports it; nullopt when it cannot be read.
std::optional<std::pair<uint32_t, uint32_t>> SystemButton();

// The power schemes users have: three alike (the common desktop), three that differ
// (high performance customised to sleep), only balanced (the other two removed); a
// current Windows 10 or 11 machine whose plan in force is one of its own, with balanced
// turning off the display (action 4); and none, as on systems before Vista.
enum class Schemes { kAgree, kDiffer, kBalancedOnly, kOwnPlanActive, kNone };
const char* SchemesName(Schemes set);
constexpr char kPowerSaver[] = "{A1841308-3541-4FAB-BC81-F71556F20B4A}";
constexpr char kHighPerformance[] = "{8C5E7FDA-E8BF-4A96-9A85-A6E23A8C635C}";
constexpr char kBalanced[] = "{381B4222-F694-41F0-9685-FF5BB260DF2E}";
// A plan the maker or the user made.
constexpr char kOwnPlan[] = "{C0570001-0000-4000-8000-000000000001}";
// `boardFile` of the boards folder with its schemes replaced by `set` (balanced active,
// or the set's own plan), for Windows `windows` ("6.1"; empty: the board's default,
// 10.0), written beside it; returns the new board's file name, for UseBoard.
std::string SchemeBoard(const std::string& boardFile, Schemes set, const std::string& windows = "");
// The plan in force on such a board.
const char* ActivePlan(Schemes set);
// The schemes of such a board as it starts (balanced's action given): id -> action.
std::map<std::string, uint32_t> SchemesOf(Schemes set, uint32_t balanced = 3);
// Every scheme's AC power-button action as the system's scheme functions report it
// (the scheme stand-in of the prefix): scheme id -> action index, for the schemes that
// exist.
std::map<std::string, uint32_t> SchemeActions();
// Sets a scheme's AC power-button action through the system's scheme functions, as the
// user does in the system's settings; kAllSchemes sets every scheme.
constexpr char kAllSchemes[] = "{68A1E95E-13EA-41E1-8011-0C496CA490B0}";
bool SetSchemeAction(const std::string& scheme, uint32_t action);
// Programs started afterwards find Wine's own "powrprof.dll" in the system folder, which
// lacks the scheme functions (systems before Vista), or the stand-in again.
void WithoutSchemes(bool without);
// The Windows version programs started afterwards see ("win7": 6.1, "win81": 6.3, as
// the program's manifest makes Windows 10 and 11 answer); empty: the prefix's own.
void SeenWindowsVersion(const std::string& version);

// Runs `Surgepad.exe ARGUMENTS` to its end: its exit code (nullopt: still running after
// `timeoutMs`) and its trace (the lines it printed among them).
struct CommandRun {
    std::optional<DWORD> code;
    std::string trace;
};
CommandRun RunToEnd(const std::string& arguments, DWORD timeoutMs = 25000);
// A REG_QWORD under HKEY_CURRENT_USER.
std::optional<uint64_t> UserQword(const char* path, const char* name);
// The wall clock in ms since 1970 (UTC), as the program keeps a timed turbo's end.
int64_t WallMs();
// Once the on-screen display is hidden and then shown again: ms from `fromWallMs` (an
// event's moment on the wall clock) to that showing; nullopt when it did not show
// within `timeoutMs`.
std::optional<double> DisplayShownAfter(int64_t fromWallMs, DWORD timeoutMs);

// Memory of a process: working set and private bytes, in KiB.
struct Memory {
    size_t workingSetKiB = 0;
    size_t privateKiB = 0;
};
Memory ProcessMemory(HANDLE process);

// The settings window and its profile list under the real mouse: the pointer moved and
// the button pressed through the system's input queue.
void MovePointer(int x, int y);
// The left button down or up where the pointer was last moved to.
void LeftButton(bool down);
POINT OnScreen(HWND window, POINT client);
void PointAt(HWND window, POINT client);
void Click(HWND window, POINT client);
HWND SettingsWindow();
// Waits for the `expectedClosings`-th closing of the settings window.
bool WaitClosed(Surgepad& program, int expectedClosings = 1);
// Waits for the logo's cross-fade number `n` to end (the window takes no input while
// it runs).
bool WaitLogo(Surgepad& program, int n);
// A string value of the settings key.
std::optional<std::string> UserString(const char* name);
// The common profile folder of the overclocking tool (made when missing), ending in "\".
std::string ProfileFolder();
// Writes NAME.oc there, a profile that can be applied.
void WriteProfile(const std::string& name);
// The drop-down's list box (its window lies on the drop panel); whether it is open;
// waits a few seconds for it to be open or closed.
HWND ProfileListBox(HWND settings);
bool ListOpen(HWND settings);
bool WaitForList(HWND settings, bool open);
// Chooses entry `index` of the open list with a click on the middle of its rectangle.
void ClickEntry(HWND list, int index);
// The middle of the tray icon's fill on the screen, once the icon is there.
std::optional<POINT> TrayIconCentre(COLORREF fill, int tolerance);

// Records a figure as a test property and prints it.
void Figure(const std::string& name, double value, const char* unit);

}  // namespace e2e
