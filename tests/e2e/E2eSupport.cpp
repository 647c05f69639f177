#include "tests/e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <psapi.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace e2e {
namespace {

std::string Variable(const char* name) {
    char value[1024] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    if (n == 0 || n >= sizeof value) {
        ADD_FAILURE() << name << " is not set: run the e2e tests through tools/e2e-run.sh";
        return "/tmp";
    }
    return value;
}

std::string Folder(const char* variable) {
    std::string path = WindowsPath(Variable(variable));
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return path;
}

constexpr char kTraceSync[] = "command: 1025 0x00000055: reserved";

struct FindData {
    const char* className;
    const char* caption;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    char cls[128] = {};
    char caption[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, caption, sizeof caption);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (std::string(cls) == data->className && (data->caption == nullptr || std::string(caption) == data->caption) &&
        (data->pid == 0 || pid == data->pid)) {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindTopLevelWindow(const char* className, const char* caption, DWORD pid) {
    FindData data{className, caption, pid, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

}  // namespace

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string ProgramDir() {
    return Folder("SURGEPAD_E2E_PROGRAM_DIR");
}
std::string WorkDir() {
    return Folder("SURGEPAD_E2E_WORK_DIR");
}
std::string BoardsDir() {
    return Folder("SURGEPAD_E2E_BOARDS_DIR");
}
std::string ShotsDir() {
    return Folder("SURGEPAD_E2E_SHOTS_DIR");
}

std::string JournalPath() {
    return WorkDir() + "journal.txt";
}

void UseBoard(const std::string& boardFile) {
    const std::string state = WorkDir() + "state.txt";
    DeleteFileA(state.c_str());
    SetEnvironmentVariableA("KORA_SIM_BOARD", (BoardsDir() + boardFile).c_str());
    SetEnvironmentVariableA("KORA_SIM_STATE", state.c_str());
    SetEnvironmentVariableA("KORA_SIM_JOURNAL", JournalPath().c_str());
}

std::vector<std::string> JournalLines() {
    std::vector<std::string> lines;
    std::ifstream in(JournalPath());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

size_t Find(const std::vector<std::string>& lines, const std::string& text, size_t from) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return std::string::npos;
}

int Count(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) {
        all += l + "\n";
    }
    return all;
}

bool FirmwareSet(uint32_t id, uint32_t value) {
    HMODULE library = LoadLibraryA((ProgramDir() + "KRACPI.DLL").c_str());
    if (library == nullptr) {
        return false;
    }
    using InitializeFn = uint32_t(WINAPI*)();
    using SetValueFn = uint32_t(WINAPI*)(uint32_t, uint32_t, uint32_t);
    auto initialize =
        reinterpret_cast<InitializeFn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(1))));
    auto setValue = reinterpret_cast<SetValueFn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(2))));
    bool ok = false;
    if (initialize != nullptr && setValue != nullptr) {
        initialize();
        ok = (setValue(id, value, 2) & 1) != 0;
    }
    FreeLibrary(library);
    return ok;
}

std::vector<std::string> JournalFrom(size_t from) {
    const std::vector<std::string> all = JournalLines();
    return from < all.size() ? std::vector<std::string>(all.begin() + static_cast<long>(from), all.end())
                             : std::vector<std::string>();
}

void AnnounceForeground(HWND window) {
    NotifyWinEvent(EVENT_SYSTEM_FOREGROUND, window != nullptr ? window : GetDesktopWindow(), OBJID_WINDOW,
                   CHILDID_SELF);
}

HWND ShowInFront(const RECT& r) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "E2eGame";
    RegisterClassA(&wc);
    HWND game = CreateWindowExA(WS_EX_TOPMOST, "E2eGame", "game", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(game);
    AnnounceForeground(game);
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return game;
}

HWND WaitVisible(const char* className, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    do {
        HWND w = FindWindowA(className, nullptr);
        if (w != nullptr && IsWindowVisible(w)) {
            return w;
        }
        Sleep(20);
    } while (GetTickCount64() - start < timeoutMs);
    return nullptr;
}

bool VisibleWindow(const char* className) {
    HWND w = FindWindowA(className, nullptr);
    return w != nullptr && IsWindowVisible(w);
}

int TrayPixels(COLORREF colour, const char* shot) {
    constexpr int kTolerance = 24;
    int pixels = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        Sleep(300);
        const Capture screen = CaptureScreen();
        const auto area = NotificationArea();
        if (!area) {
            continue;
        }
        pixels = CountPixels(screen, *area, colour, kTolerance);
        if (pixels > 8 || attempt == 9) {
            SaveCapture(screen, shot);
            break;
        }
    }
    return pixels;
}

// Wine on a busy machine now and then fails a process start with an internal error
// (1359) that the next attempt does not meet: up to three attempts; any other error
// is final.
static BOOL StartProcess(const std::string& exe, std::string& commandLine, BOOL inherit, DWORD flags,
                         const std::string& folder, STARTUPINFOA& si, PROCESS_INFORMATION& pi) {
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, inherit, flags, nullptr, folder.c_str(),
                           &si, &pi)) {
            return TRUE;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 3) {
            SetLastError(error);
            return FALSE;
        }
        Sleep(200);
    }
}

int Sim(const std::string& args, DWORD timeoutMs) {
    const std::string exe = ProgramDir() + "kora-sim.exe";
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!StartProcess(exe, commandLine, TRUE, 0, ProgramDir(), si, pi)) {
        ADD_FAILURE() << "cannot start kora-sim, error " << GetLastError();
        return -1;
    }
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

std::optional<int> OtherAccount(const std::vector<std::string>& words, DWORD timeoutMs) {
    static int runs = 0;
    const std::string status = WorkDir() + "other-account-" + std::to_string(++runs) + ".txt";
    std::string commandLine = "bash \"" + Variable("SURGEPAD_E2E_OTHER_ACCOUNT") + "\" \"" + status.substr(2) +
                              "\"";  // a unix path: no drive
    for (char& c : commandLine) {
        c = c == '\\' ? '/' : c;
    }
    for (const std::string& word : words) {
        commandLine += " \"" + word + "\"";
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // Wine starts a unix program as such; it ends on its own, and its status comes
    // back through the file.
    if (!CreateProcessA("Z:\\bin\\bash", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start the other account's command, error " << GetLastError();
        return std::nullopt;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        std::ifstream in(status);
        int code = 0;
        if (in >> code) {
            return code;
        }
        Sleep(100);
    }
    return std::nullopt;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string FirmwareValues() {
    std::istringstream in(FileText(WorkDir() + "state.txt"));
    std::string values;
    for (std::string line; std::getline(in, line);) {
        if ((line.rfind("value ", 0) == 0 || line.rfind("entries ", 0) == 0) &&
            line.find("0x030600F0") == std::string::npos) {
            values += line + "\n";
        }
    }
    return values;
}

std::string OtherAccountLog() {
    return FileText(WorkDir() + "other-account.log");
}

SimProcess::SimProcess(const std::string& args) {
    const std::string exe = ProgramDir() + "kora-sim.exe";
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (StartProcess(exe, commandLine, TRUE, 0, ProgramDir(), si, pi)) {
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
    } else {
        ADD_FAILURE() << "cannot start kora-sim " << args << ", error " << GetLastError();
    }
}

SimProcess::~SimProcess() {
    if (m_process != nullptr) {
        TerminateProcess(m_process, 0);
        WaitForSingleObject(m_process, 5000);
        CloseHandle(m_process);
    }
}

Surgepad::Surgepad(const std::string& arguments, const std::string& exe, size_t killAtLine) : m_killAtLine(killAtLine) {
    const std::string path = exe.find(':') != std::string::npos ? exe : ProgramDir() + exe;
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty()) {
        commandLine += " " + arguments;
    }
    m_loop = std::thread([this, commandLine] { DebugLoop(commandLine); });
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_startDone; });
}

Surgepad::~Surgepad() {
    Stop();
    if (m_loop.joinable()) {
        m_loop.join();
    }
    // Every run of the program keeps the windows' operations on their own thread.
    EXPECT_EQ(CountTrace("off the GUI thread"), 0) << TraceText();
    if (m_process != nullptr) {
        CloseHandle(m_process);
    }
}

bool Surgepad::AddLine(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == '\0')) {
        line.pop_back();
    }
    const double ms = static_cast<double>(GetTickCount64() - m_startTick);
    std::unique_lock<std::mutex> lock(m_lock);
    m_lines.push_back({line, ms});
    if (m_killAtLine != 0 && m_lines.size() == m_killAtLine) {
        TerminateProcess(m_process, 9);
    }
    const bool hold = !m_holdText.empty() && line.find(m_holdText) != std::string::npos;
    if (hold) {
        m_holdText.clear();
    }
    lock.unlock();
    m_changed.notify_all();
    return hold;
}

void Surgepad::Hold(DWORD threadId) {
    // Suspended before its event is handed back: it stays in the middle of its trace
    // call, and the program's other threads, stopped for the event, go on after it.
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (thread != nullptr && SuspendThread(thread) == static_cast<DWORD>(-1)) {
        CloseHandle(thread);
        thread = nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_heldThread = thread;
        m_held = thread != nullptr;
    }
    m_changed.notify_all();
}

void Surgepad::HoldAtTrace(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_holdText = text;
}

bool Surgepad::WaitHeld(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return m_held || m_exitCode.has_value();
    }) && m_held;
}

void Surgepad::ReleaseHold() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_holdText.clear();
    m_held = false;
    if (m_heldThread != nullptr) {
        ResumeThread(m_heldThread);
        CloseHandle(m_heldThread);
        m_heldThread = nullptr;
    }
}

size_t Surgepad::LineCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lines.size();
}

void Surgepad::KillAtLine(size_t n) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_killAtLine = n;
}

// The debugger's side: every event of the program passes here, on the thread that
// created it (the system requires that). Only debug strings are kept; everything
// else is handed back to the program unchanged.
void Surgepad::DebugLoop(std::string commandLine) {
    const std::string exe = commandLine.substr(1, commandLine.find('"', 1) - 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    m_startTick = GetTickCount64();
    const BOOL ok = StartProcess(exe, commandLine, FALSE, DEBUG_ONLY_THIS_PROCESS,
                                 exe.substr(0, exe.find_last_of('\\') + 1), si, pi);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_startDone = true;
        if (ok) {
            m_pid = pi.dwProcessId;
            m_process = pi.hProcess;
            CloseHandle(pi.hThread);
        }
    }
    m_changed.notify_all();
    if (!ok) {
        ADD_FAILURE() << "cannot start " << exe << ", error " << GetLastError();
        return;
    }
    bool firstBreak = true;
    for (;;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 200)) {
            continue;
        }
        DWORD status = DBG_CONTINUE;
        bool hold = false;
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT: {
                const auto& info = event.u.DebugString;
                const size_t units = info.nDebugStringLength;
                if (units > 0 && units < 65536) {
                    if (info.fUnicode) {
                        std::wstring wide(units, L'\0');
                        SIZE_T read = 0;
                        ReadProcessMemory(m_process, info.lpDebugStringData, wide.data(), units * sizeof(wchar_t),
                                          &read);
                        hold = AddLine(std::string(wide.begin(), wide.end()));
                    } else {
                        std::string text(units, '\0');
                        SIZE_T read = 0;
                        ReadProcessMemory(m_process, info.lpDebugStringData, text.data(), units, &read);
                        hold = AddLine(text);
                    }
                }
                break;
            }
            case EXCEPTION_DEBUG_EVENT: {
                const auto& record = event.u.Exception.ExceptionRecord;
                if (record.ExceptionCode == EXCEPTION_BREAKPOINT && firstBreak) {
                    firstBreak = false;  // the loader's break for a debugger
                } else if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
                    const size_t units = static_cast<size_t>(record.ExceptionInformation[0]);
                    if (units > 0 && units < 65536) {
                        std::string text(units, '\0');
                        SIZE_T read = 0;
                        ReadProcessMemory(m_process, reinterpret_cast<void*>(record.ExceptionInformation[1]),
                                          text.data(), units, &read);
                        hold = AddLine(text);
                    }
                } else {
                    status = DBG_EXCEPTION_NOT_HANDLED;
                }
                break;
            }
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile != nullptr) {
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                }
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile != nullptr) {
                    CloseHandle(event.u.LoadDll.hFile);
                }
                break;
            case EXIT_PROCESS_DEBUG_EVENT: {
                {
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_exitCode = event.u.ExitProcess.dwExitCode;
                }
                ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
                m_changed.notify_all();
                return;
            }
            default:
                break;
        }
        if (hold) {
            Hold(event.dwThreadId);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

std::optional<TraceLine> Surgepad::WaitForTrace(const std::string& text, DWORD timeoutMs, int nth) {
    std::unique_lock<std::mutex> lock(m_lock);
    std::optional<TraceLine> found;
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        int seen = 0;
        for (const TraceLine& line : m_lines) {
            if (line.text.find(text) != std::string::npos && ++seen == nth) {
                found = line;
                return true;
            }
        }
        return m_exitCode.has_value();
    });
    return found;
}

int Surgepad::CountTrace(const std::string& text) const {
    std::lock_guard<std::mutex> guard(m_lock);
    int n = 0;
    for (const TraceLine& line : m_lines) {
        if (line.text.find(text) != std::string::npos) {
            ++n;
        }
    }
    return n;
}

std::vector<std::string> Surgepad::Trace() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::string> lines;
    for (const TraceLine& line : m_lines) {
        lines.push_back(line.text);
    }
    return lines;
}

std::string Surgepad::TraceText() const {
    std::string text;
    for (const std::string& line : Trace()) {
        text += "  | " + line + "\n";
    }
    return text;
}

std::optional<DWORD> Surgepad::WaitForExit(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_exitCode.has_value(); });
    return m_exitCode;
}

bool Surgepad::Running() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pid != 0 && !m_exitCode.has_value();
}

bool Surgepad::Sync(DWORD timeoutMs) {
    HWND main = WaitForWindow("TMainForm", "Surgepad", timeoutMs, m_pid);
    if (main == nullptr) {
        return false;
    }
    const int wanted = ++m_syncs;
    PostMessageA(main, 1025, 0x55, 0);
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        int n = 0;
        for (const TraceLine& line : m_lines) {
            if (line.text.find(kTraceSync) != std::string::npos) {
                ++n;
            }
        }
        return n >= wanted;
    });
}

void Surgepad::Stop() {
    ReleaseHold();
    if (!Running()) {
        return;
    }
    if (HWND main = FindTopLevelWindow("TMainForm", "Surgepad", m_pid)) {
        PostMessageA(main, 1024, 0x55, 0);
        if (WaitForExit(5000)) {
            return;
        }
    }
    TerminateProcess(m_process, 1);
    WaitForExit(5000);
}

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs, DWORD pid) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND hwnd = FindTopLevelWindow(className, caption, pid)) {
            return hwnd;
        }
        if (GetTickCount64() >= end) {
            return nullptr;
        }
        Sleep(20);
    }
}

HWND MainWindow() {
    return FindWindowA("TMainForm", "Surgepad");
}

HWND ApplicationWindow(DWORD pid) {
    return FindTopLevelWindow("TApplication", "Surgepad", pid);
}

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD pid) {
    return WaitForWindow("#32770", caption, timeoutMs, pid);
}

std::string MessageBoxText(HWND box) {
    char text[2048] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void PressOk(HWND box) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

void PressKey(WORD vk, DWORD pauseMs) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
    Sleep(pauseMs);
}

COLORREF Capture::Pixel(int x, int y) const {
    const int stride = (width * 3 + 3) & ~3;
    const uint8_t* p = &bgr[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
    return RGB(p[2], p[1], p[0]);
}

Capture CaptureScreen() {
    Capture capture;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return capture;
    }
    const int width = GetDeviceCaps(screen, HORZRES);
    const int height = GetDeviceCaps(screen, VERTRES);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    if (bitmap != nullptr && memory != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
        capture.width = width;
        capture.height = height;
        capture.bgr.assign(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + stride * height);
        SelectObject(memory, old);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    return capture;
}

bool SaveCapture(const Capture& capture, const std::string& name) {
    if (capture.Empty()) {
        return false;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = capture.width;
    header.biHeight = -capture.height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(capture.bgr.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(ShotsDir() + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(capture.bgr.data()), static_cast<std::streamsize>(capture.bgr.size()));
    return static_cast<bool>(out);
}

std::optional<RECT> NotificationArea() {
    // The desktop's shell may still be starting.
    HWND taskbar = nullptr;
    for (int attempt = 0; attempt < 100 && taskbar == nullptr; ++attempt) {
        taskbar = FindWindowA("Shell_TrayWnd", nullptr);
        if (taskbar == nullptr) {
            Sleep(100);
        }
    }
    if (taskbar == nullptr) {
        return std::nullopt;
    }
    RECT r = {};
    GetWindowRect(taskbar, &r);
    // The icons sit at the right end of the taskbar.
    r.left = r.right - (r.right - r.left) / 4;
    return r;
}

int CountPixelsIf(const Capture& capture, const RECT& area, const std::function<bool(int, int, COLORREF)>& test) {
    int n = 0;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, capture.height); ++y) {
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, capture.width); ++x) {
            n += test(x, y, capture.Pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

int CountPixels(const Capture& capture, const RECT& area, COLORREF colour, int tolerance) {
    return CountPixelsIf(capture, area, [&](int, int, COLORREF c) {
        return std::abs(GetRValue(c) - GetRValue(colour)) <= tolerance &&
               std::abs(GetGValue(c) - GetGValue(colour)) <= tolerance &&
               std::abs(GetBValue(c) - GetBValue(colour)) <= tolerance;
    });
}

Memory ProcessMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    Memory memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        memory.workingSetKiB = counters.WorkingSetSize / 1024;
        // Wine leaves PrivateUsage at 0; the commit charge is the same figure there.
        memory.privateKiB = (counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage) / 1024;
    }
    return memory;
}

void Figure(const std::string& name, double value, const char* unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    testing::Test::RecordProperty(name, text);
    std::printf("figure: %s = %s %s\n", name.c_str(), text, unit);
    std::fflush(stdout);
}

bool SetUserDword(const char* path, const char* name, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG r = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool SetUserString(const char* path, const char* name, const char* text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG r = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>(lstrlenA(text) + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// A value of the account's of exactly one type (`only`: RRF_RT_REG_DWORD or _QWORD).
template <typename T>
std::optional<T> UserValue(const char* path, const char* name, DWORD only) {
    T value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, path, name, only, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::optional<DWORD> UserDword(const char* path, const char* name) {
    return UserValue<DWORD>(path, name, RRF_RT_REG_DWORD);
}

bool ChooseTurbo(DWORD profileType, bool osd, bool status) {
    return Sim("button 0 0x80000000") == 0 && SetUserDword(kSettingsKey, "ButtonAction", 0) &&
           SetUserDword(kSettingsKey, "PowerButtonDisabled", 0) &&
           SetUserDword(kSettingsKey, "ProfileType", profileType) &&
           SetUserDword(kSettingsKey, "OsdEnabled", osd ? 1 : 0) &&
           SetUserDword(kSettingsKey, "StatusEnabled", status ? 1 : 0);
}

std::optional<std::pair<uint32_t, uint32_t>> SystemButton() {
    HMODULE library = LoadLibraryA((ProgramDir() + "Dormix.dll").c_str());
    if (library == nullptr) {
        return std::nullopt;
    }
    using GetFn = uint32_t(WINAPI*)(uint32_t*, uint32_t*);
    auto get = reinterpret_cast<GetFn>(reinterpret_cast<void*>(GetProcAddress(library, "GetPowerButtonSetting")));
    std::optional<std::pair<uint32_t, uint32_t>> setting;
    uint32_t action = 0;
    uint32_t event = 0;
    if (get != nullptr && (get(&action, &event) & 1) != 0) {
        setting = std::make_pair(action, event);
    }
    FreeLibrary(library);
    return setting;
}

const char* SchemesName(Schemes set) {
    switch (set) {
        case Schemes::kAgree:
            return "three alike";
        case Schemes::kDiffer:
            return "three that differ";
        case Schemes::kBalancedOnly:
            return "only balanced";
        case Schemes::kOwnPlanActive:
            return "a plan of its own in force";
        case Schemes::kNone:
            return "none";
    }
    return "?";
}

const char* ActivePlan(Schemes set) {
    return set == Schemes::kOwnPlanActive ? kOwnPlan : kBalanced;
}

std::string SchemeBoard(const std::string& boardFile, Schemes set, const std::string& windows) {
    std::ifstream in(BoardsDir() + boardFile);
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("scheme ", 0) != 0 && line.rfind("windows ", 0) != 0) {
            text += line + "\n";
        }
    }
    if (!windows.empty()) {
        text += "windows " + windows + "\n";
    }
    for (const auto& [id, action] : SchemesOf(set)) {
        text += "scheme " + id + " " + std::to_string(action) + (id == ActivePlan(set) ? " active\n" : "\n");
    }
    const std::string name = boardFile.substr(0, boardFile.rfind('.')) + "-schemes-" +
                             std::to_string(static_cast<int>(set)) + (windows.empty() ? "" : "-" + windows) + ".txt";
    std::ofstream(BoardsDir() + name, std::ios::binary) << text;
    return name;
}

std::map<std::string, uint32_t> SchemesOf(Schemes set, uint32_t balanced) {
    switch (set) {
        case Schemes::kAgree:
            return {{kPowerSaver, 3}, {kHighPerformance, 3}, {kBalanced, balanced}};
        case Schemes::kDiffer:
            return {{kPowerSaver, 3}, {kHighPerformance, 1}, {kBalanced, balanced}};
        case Schemes::kBalancedOnly:
            break;
        case Schemes::kOwnPlanActive:
            return {{kPowerSaver, 3}, {kHighPerformance, 1}, {kBalanced, 4}, {kOwnPlan, 2}};
        case Schemes::kNone:
            return {};
    }
    return {{kBalanced, balanced}};
}

namespace {

// The power-button action of a scheme: subgroup and setting.
constexpr GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
constexpr GUID kButtonSetting = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};

std::optional<GUID> GuidOf(const std::string& text) {
    unsigned long d1 = 0;
    unsigned d[10] = {};
    if (std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d[0], &d[1], &d[2], &d[3], &d[4],
                    &d[5], &d[6], &d[7], &d[8], &d[9]) != 11) {
        return std::nullopt;
    }
    GUID id = {};
    id.Data1 = d1;
    id.Data2 = static_cast<unsigned short>(d[0]);
    id.Data3 = static_cast<unsigned short>(d[1]);
    for (int i = 0; i < 8; ++i) {
        id.Data4[i] = static_cast<unsigned char>(d[2 + i]);
    }
    return id;
}

// The system's scheme functions (the stand-in of this prefix), bound for one use.
class SchemeFunctions {
public:
    SchemeFunctions() {
        char system[MAX_PATH] = {};
        GetSystemDirectoryA(system, MAX_PATH);
        m_library = LoadLibraryA((std::string(system) + "\\powrprof.dll").c_str());
    }
    ~SchemeFunctions() {
        if (m_library != nullptr) {
            FreeLibrary(m_library);
        }
    }
    SchemeFunctions(const SchemeFunctions&) = delete;
    SchemeFunctions& operator=(const SchemeFunctions&) = delete;
    template <class F>
    F Get(const char* name) const {
        return m_library != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library, name)))
                                    : nullptr;
    }

private:
    HMODULE m_library = nullptr;
};

}  // namespace

std::map<std::string, uint32_t> SchemeActions() {
    using ReadFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD*);
    using EnumerateFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, DWORD, ULONG, UCHAR*, DWORD*);
    const SchemeFunctions functions;
    const auto read = functions.Get<ReadFn>("PowerReadACValueIndex");
    const auto enumerate = functions.Get<EnumerateFn>("PowerEnumerate");
    std::map<std::string, uint32_t> actions;
    if (read == nullptr || enumerate == nullptr) {
        return actions;
    }
    // Every plan the system lists, custom ones included.
    constexpr DWORD kAccessScheme = 16;
    for (ULONG index = 0; index < 64; ++index) {
        GUID id = {};
        DWORD size = sizeof id;
        if (enumerate(nullptr, nullptr, nullptr, kAccessScheme, index, reinterpret_cast<UCHAR*>(&id), &size) !=
            ERROR_SUCCESS) {
            break;
        }
        DWORD value = 0;
        if (read(nullptr, &id, &kButtonSubgroup, &kButtonSetting, &value) == ERROR_SUCCESS) {
            char text[40];
            std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                          static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1],
                          id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
            actions[text] = value;
        }
    }
    return actions;
}

bool SetSchemeAction(const std::string& scheme, uint32_t action) {
    using WriteFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
    const std::optional<GUID> id = GuidOf(scheme);
    const SchemeFunctions functions;
    const auto write = functions.Get<WriteFn>("PowerWriteACValueIndex");
    return id && write != nullptr && write(nullptr, &*id, &kButtonSubgroup, &kButtonSetting, action) == ERROR_SUCCESS;
}

void WithoutSchemes(bool without) {
    // The system folder's "powrprof.dll" is the stand-in, or the prefix's own placeholder
    // for Wine's library, which lacks the scheme functions. The prefix's files are hard
    // links to the template's: a file is only ever moved or made anew, never written over.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string bound = std::string(system) + "\\powrprof.dll";
    const std::string standIn = WorkDir() + "powrprof-scheme-stand-in.dll";
    const bool away = GetFileAttributesA(standIn.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (without && !away) {
        const char* templatePrefix = std::getenv("SURGEPAD_E2E_TEMPLATE_PREFIX");
        const bool done =
            templatePrefix != nullptr && MoveFileExA(bound.c_str(), standIn.c_str(), MOVEFILE_COPY_ALLOWED) &&
            CopyFileA(WindowsPath(std::string(templatePrefix) + "/drive_c/windows/system32/powrprof.dll").c_str(),
                      bound.c_str(), TRUE);
        EXPECT_TRUE(done) << "the scheme functions could not be taken away, error " << GetLastError();
    } else if (!without && away) {
        DeleteFileA(bound.c_str());
        EXPECT_TRUE(MoveFileExA(standIn.c_str(), bound.c_str(), MOVEFILE_COPY_ALLOWED))
            << "the scheme stand-in could not be put back, error " << GetLastError();
    }
}

void SeenWindowsVersion(const std::string& version) {
    const char key[] = "Software\\Wine\\AppDefaults\\Surgepad.exe";
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    if (version.empty()) {
        RegDeleteValueA(handle, "Version");
    } else {
        RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
    }
    RegCloseKey(handle);
}

// The settings window under the real mouse.

namespace {

// Absolute input coordinates of screen pixel (x, y).
INPUT PointerInput(int x, int y, DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>(x * 65535.0 / (GetSystemMetrics(SM_CXSCREEN) - 1) + 0.5);
    in.mi.dy = static_cast<LONG>(y * 65535.0 / (GetSystemMetrics(SM_CYSCREEN) - 1) + 0.5);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

// Where the test last moved the pointer. The system's own reading of it may lag on a
// busy machine, so a press is sent with this place, never with that reading.
POINT g_pointer{};

}  // namespace

void MovePointer(int x, int y) {
    g_pointer = POINT{x, y};
    INPUT in = PointerInput(x, y, 0);
    SendInput(1, &in, sizeof in);
    POINT at{};
    for (int i = 0; i < 200 && (!GetCursorPos(&at) || at.x != x || at.y != y); ++i) {
        Sleep(10);
    }
}

// The button goes down or up where the pointer was moved to: the place travels with
// the press, so that it cannot land where the pointer was a moment before.
void LeftButton(bool down) {
    INPUT in = PointerInput(g_pointer.x, g_pointer.y, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
    Sleep(120);
}

POINT OnScreen(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

void PointAt(HWND window, POINT client) {
    const POINT p = OnScreen(window, client);
    MovePointer(p.x, p.y);
}

void Click(HWND window, POINT client) {
    const POINT p = OnScreen(window, client);
    MovePointer(p.x, p.y);
    for (const DWORD flags : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
        INPUT in = PointerInput(p.x, p.y, flags);
        SendInput(1, &in, sizeof in);
        Sleep(120);
    }
    Sleep(150);
}

HWND SettingsWindow() {
    return FindWindowA("TSettingForm", nullptr);
}

bool WaitClosed(Surgepad& program, int expectedClosings) {
    // At 200 % on a busy machine the closing takes several seconds.
    return program.WaitForTrace("settings: closed", 30000, expectedClosings).has_value() &&
           !IsWindowVisible(SettingsWindow());
}

std::optional<std::string> UserString(const char* name) {
    char value[256] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string ProfileFolder() {
    char common[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, common);
    const std::string folder = std::string(common) + "\\KORA OC Profiles\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// The drop-down's list box (its window lies on the drop panel).
HWND ProfileListBox(HWND settings) {
    HWND found = nullptr;
    EnumChildWindows(
        settings,
        [](HWND child, LPARAM out) -> BOOL {
            char cls[64] = {};
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, "ListBox") == 0) {
                *reinterpret_cast<HWND*>(out) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool ListOpen(HWND settings) {
    HWND list = ProfileListBox(settings);
    return list != nullptr && IsWindowVisible(list);
}

// Waits a few seconds for the list to be open or closed.
bool WaitForList(HWND settings, bool open) {
    for (int i = 0; i < 100 && ListOpen(settings) != open; ++i) {
        Sleep(30);
    }
    return ListOpen(settings) == open;
}

// Chooses entry `index` of the open list with a click on it.
void ClickEntry(HWND list, int index) {
    RECT item{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    Click(list, POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

// Waits for the logo's cross-fade number `n` to end (the window takes no input while
// it runs).
bool WaitLogo(Surgepad& program, int n) {
    for (int i = 0; i < 100 && program.CountTrace("settings: logo changed") < n; ++i) {
        Sleep(50);
    }
    return program.CountTrace("settings: logo changed") >= n;
}

// A profile file of the overclocking tool in the common profile folder: core voltage
// 85 (1.225 V), ring ratio 24x.
void WriteProfile(const std::string& name) {
    const uint32_t words[] = {0x4F43, 1, 2, 0x03020012, 85, 0x03000015, 16};
    std::ofstream out(ProfileFolder() + name + ".oc", std::ios::binary);
    out.write(reinterpret_cast<const char*>(words), sizeof words);
}

std::optional<POINT> TrayIconCentre(COLORREF fill, int tolerance) {
    for (int attempt = 0; attempt < 25; ++attempt) {
        Sleep(150);
        const Capture screen = CaptureScreen();
        const auto area = NotificationArea();
        if (!area) {
            continue;
        }
        long sumX = 0;
        long sumY = 0;
        long count = 0;
        for (int y = area->top; y < area->bottom; ++y) {
            for (int x = area->left; x < area->right; ++x) {
                const COLORREF c = screen.Pixel(x, y);
                if (std::abs(GetRValue(c) - GetRValue(fill)) <= tolerance &&
                    std::abs(GetGValue(c) - GetGValue(fill)) <= tolerance &&
                    std::abs(GetBValue(c) - GetBValue(fill)) <= tolerance) {
                    sumX += x;
                    sumY += y;
                    ++count;
                }
            }
        }
        if (count > 8) {
            return POINT{static_cast<LONG>(sumX / count), static_cast<LONG>(sumY / count)};
        }
    }
    return std::nullopt;
}

CommandRun RunToEnd(const std::string& arguments, DWORD timeoutMs) {
    Surgepad command(arguments);
    CommandRun run;
    run.code = command.WaitForExit(timeoutMs);
    run.trace = command.TraceText();
    return run;
}

std::optional<uint64_t> UserQword(const char* path, const char* name) {
    return UserValue<uint64_t>(path, name, RRF_RT_REG_QWORD);
}

int64_t WallMs() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (ticks - 116444736000000000LL) / 10000;
}

std::optional<double> DisplayShownAfter(int64_t fromWallMs, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    bool hidden = false;
    while (GetTickCount64() < end) {
        HWND display = FindWindowA("TOsdForm", nullptr);
        const bool shown = display != nullptr && IsWindowVisible(display);
        if (!shown) {
            hidden = true;
        } else if (hidden) {
            return static_cast<double>(WallMs() - fromWallMs);
        }
        Sleep(5);
    }
    return std::nullopt;
}

}  // namespace e2e
