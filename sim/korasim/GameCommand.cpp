// kora-sim game [--caption TEXT] [--seconds N] [--exit CODE] [--hand-over]: a game, or any
// program a user starts. Shows a top-level window with the caption (default: the
// program's own name, so a copy of kora-sim.exe under another name is a program of that
// name), brings it to the front and announces that as Windows does, with
// NotifyWinEvent(EVENT_SYSTEM_FOREGROUND) (Wine 8 sends no such event of its own), and
// again whenever the window comes back to the front. Ends with exit code CODE (default 0)
// after N seconds (default 60; 0: until the window is closed or the process ended), or
// when the window is closed.
//
// --hand-over: a launcher. Starts a copy of this program with the same arguments but
// this one, outside the launcher's job (CREATE_BREAKAWAY_FROM_JOB), prints
// "kora-sim: game handed over to process PID" and exits with 0 at once. A job that does
// not allow breakaway makes the system refuse that (ERROR_ACCESS_DENIED, on Windows and
// under Wine alike): the copy is then started inside the job, as a launcher that cannot
// leave it does, and a line on the error output says so.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/korasim/Commands.h"

namespace korasim {
namespace {

constexpr char kGameClass[] = "KoraSimGame";
constexpr UINT_PTR kEndTimer = 1;
constexpr uint32_t kDefaultSeconds = 60;

struct GameOptions {
    std::string caption;
    uint32_t seconds = kDefaultSeconds;
    uint32_t exitCode = 0;
    bool handOver = false;
};

struct GameWindow {
    GameOptions options;
    bool inFront = false;  // announced as the foreground window, and not deactivated since
};

std::string ProgramPath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            return std::string(path.data(), n);
        }
        path.resize(path.size() * 2);
    }
}

// The program's file name without its folder and extension: "kora-sim", "racer".
std::string ProgramName() {
    std::string name = ProgramPath();
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name.empty() ? "kora-sim" : name;
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string out = "\"";
    size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are escaped, and the quote too.
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');  // before the closing quote
    return out + "\"";
}

void AnnounceFront(HWND hwnd, GameWindow* game) {
    if (!game->inFront) {
        game->inFront = true;
        NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, hwnd, OBJID_WINDOW, CHILDID_SELF);
    }
}

LRESULT CALLBACK GameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* game = reinterpret_cast<GameWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_NCCREATE:
            game = static_cast<GameWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(game));
            break;
        case WM_ACTIVATE:
            if (game != nullptr) {
                if (LOWORD(wParam) == WA_INACTIVE) {
                    game->inFront = false;
                } else {
                    AnnounceFront(hwnd, game);
                }
            }
            break;
        // The game ends with its window in place: the end of the process takes it. A
        // destroyed top-level window costs two seconds under Wine without a window
        // manager (it waits for the X server to withdraw it), which would blur the time
        // the game ends at.
        case WM_TIMER:
            if (wParam == kEndTimer) {
                PostQuitMessage(0);
                return 0;
            }
            break;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int Play(GameOptions options) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = GameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kGameClass;
    if (RegisterClassExA(&wc) == 0) {
        return Fail(1, "game: cannot register the window class");
    }
    GameWindow game{std::move(options)};
    HWND hwnd = CreateWindowExA(0, kGameClass, game.options.caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 480, nullptr, nullptr, wc.hInstance, &game);
    if (hwnd == nullptr) {
        return Fail(1, "game: cannot create the window, error " + std::to_string(GetLastError()));
    }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
    // Activation announced it already where the system activates the window at once.
    AnnounceFront(hwnd, &game);
    if (game.options.seconds > 0) {
        const uint64_t ms = uint64_t{game.options.seconds} * 1000;
        SetTimer(hwnd, kEndTimer, ms > USER_TIMER_MAXIMUM ? USER_TIMER_MAXIMUM : static_cast<UINT>(ms), nullptr);
    }
    std::printf("kora-sim: game \"%s\" in front (window 0x%08llX, process %lu)\n", game.options.caption.c_str(),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)), GetCurrentProcessId());
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(game.options.exitCode);
}

int HandOver(int argc, char** argv) {
    const std::string program = ProgramPath();
    // The same arguments but the flag (a value that reads "--hand-over", such as a
    // caption, stays: options with a value are copied in pairs).
    std::string commandLine = Quoted(program) + " " + Quoted(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hand-over") {
            continue;
        }
        commandLine += " " + Quoted(argument);
        if (i + 1 < argc) {
            commandLine += " " + Quoted(argv[++i]);
        }
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // No handle is inherited: the game must not hold the launcher's output open.
    BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                  CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &startup, &process);
    DWORD error = GetLastError();
    BOOL inJob = FALSE;
    if (!started && error == ERROR_ACCESS_DENIED && IsProcessInJob(GetCurrentProcess(), nullptr, &inJob) && inJob) {
        std::fprintf(stderr, "kora-sim: game: the job does not allow breakaway; the game stays in it\n");
        started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process);
        error = GetLastError();
    }
    if (!started) {
        return Fail(1, "game: cannot start the game, error " + std::to_string(error));
    }
    std::printf("kora-sim: game handed over to process %lu\n", process.dwProcessId);
    std::fflush(stdout);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

}  // namespace

int RunGame(int argc, char** argv) {
    constexpr char kUsage[] = "usage: game [--caption TEXT] [--seconds N] [--exit CODE] [--hand-over]";
    GameOptions options;
    options.caption = ProgramName();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--hand-over") {
            options.handOver = true;
            continue;
        }
        if (i + 1 >= argc) {
            return Fail(2, kUsage);
        }
        const std::string value = argv[++i];
        if (option == "--caption" && !value.empty()) {
            options.caption = value;
        } else if (option == "--seconds" || option == "--exit") {
            const std::optional<uint32_t> number = ParseNumber(value);
            if (!number) {
                return Fail(2, "game: " + option + " takes a number, not \"" + value + "\"");
            }
            (option == "--seconds" ? options.seconds : options.exitCode) = *number;
        } else {
            return Fail(2, kUsage);
        }
    }
    return options.handOver ? HandOver(argc, argv) : Play(std::move(options));
}

}  // namespace korasim
