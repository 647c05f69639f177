#pragma once
// Helpers of the hardware-service tests (power-feature library, power schemes, system
// control pipe): scratch folders, child processes, the debugger output of this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace testutil {

// The folder of this test program, with a trailing backslash: where the build puts
// every DLL and program.
inline std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

inline std::string ExePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

inline std::string CurrentTestName() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

inline bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

// A fresh folder under the temporary folder, removed with its content afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static LONG counter = 0;
        m_path = std::string(temp) + "surgepad-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(InterlockedIncrement(&counter)) + "\\";
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // With a trailing backslash.
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    // Removes the folder `path` (with a trailing backslash) and everything in it.
    static void RemoveTree(const std::string& path) {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((path + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    RemoveTree(path + name + "\\");
                } else {
                    DeleteFileA((path + name).c_str());
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }

    std::string m_path;
};

// Sets an environment variable of this process (and so of its children) for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : m_name(name) {
        char old[4096];
        const DWORD n = GetEnvironmentVariableA(name, old, sizeof old);
        m_had = n > 0 && n < sizeof old;
        if (m_had) {
            m_old.assign(old, n);
        }
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

// A simulated board for one test: the board file, the state file and the journal in a
// scratch folder, named to the stand-ins by KORA_SIM_BOARD, KORA_SIM_STATE and
// KORA_SIM_JOURNAL. Child processes inherit them.
class BoardScope {
public:
    explicit BoardScope(const std::string& boardText)
        : m_folder("board"),
          m_board("KORA_SIM_BOARD", m_folder / "board.txt"),
          m_state("KORA_SIM_STATE", m_folder / "state.txt"),
          m_journal("KORA_SIM_JOURNAL", m_folder / "journal.txt") {
        EXPECT_TRUE(WriteText(m_folder / "board.txt", boardText));
    }

    std::string Path(const std::string& name) const { return m_folder / name; }

    // The journal's lines so far; the journal starts afresh.
    std::vector<std::string> TakeJournal() const {
        std::vector<std::string> lines = ReadLines(Path("journal.txt"));
        DeleteFileA(Path("journal.txt").c_str());
        return lines;
    }

private:
    ScratchFolder m_folder;
    ScopedEnvironment m_board;
    ScopedEnvironment m_state;
    ScopedEnvironment m_journal;
};

struct ChildResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output and error together
    bool finished = false;
};

// Runs a program with the given arguments and this process's environment, at most
// `timeoutMs` milliseconds (then it is ended).
inline ChildResult RunChild(const std::string& exe, const std::string& arguments, const std::string& outputFile,
                            DWORD timeoutMs = 60000) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = out;
    std::string commandLine = "\"" + exe + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        result.output = "CreateProcess failed with " + std::to_string(GetLastError());
        CloseHandle(out);
        return result;
    }
    CloseHandle(out);
    CloseHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    result.output = ReadText(outputFile);
    return result;
}

// Runs the current test again, alone, in a child: a copy of this program or the
// program itself, with the environment this process has at the time of the call.
// Expects the child to pass exactly that test.
inline void ExpectChildPasses(const std::string& exe, const std::string& outputFile) {
    const ChildResult child =
        RunChild(exe, "--gtest_filter=" + CurrentTestName() + " --gtest_color=no", outputFile, 120000);
    EXPECT_TRUE(child.finished) << "the child did not finish:\n" << child.output;
    EXPECT_EQ(0u, child.exitCode) << child.output;
    EXPECT_NE(std::string::npos, child.output.find("[  PASSED  ] 1 test.")) << child.output;
}

// Copies this test program into `folder` under a name of its own, with the DLLs it
// imports, so that the prefix can be given settings for that program alone
// (HKCU\Software\Wine\AppDefaults\NAME.exe: Windows version, DLL overrides).
// Returns the copy's full path.
inline std::string CopyOfThisProgram(const std::string& folder, const std::string& exeName) {
    const std::string from = ExeFolder();
    CopyFileA(ExePath().c_str(), (folder + exeName).c_str(), FALSE);
    for (const char* dll : {"KRACPI.DLL", "pngio.dll"}) {
        CopyFileA((from + dll).c_str(), (folder + dll).c_str(), FALSE);
    }
    return folder + exeName;
}

// Per-program settings of the prefix for one scope.
class ScopedAppDefaults {
public:
    explicit ScopedAppDefaults(const std::string& exeName) : m_key("Software\\Wine\\AppDefaults\\" + exeName) {}
    ~ScopedAppDefaults() { RegDeleteTreeA(HKEY_CURRENT_USER, m_key.c_str()); }
    ScopedAppDefaults(const ScopedAppDefaults&) = delete;
    ScopedAppDefaults& operator=(const ScopedAppDefaults&) = delete;

    bool Set(const std::string& subkey, const char* name, const std::string& value) {
        const std::string key = subkey.empty() ? m_key : m_key + "\\" + subkey;
        return RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value.c_str(),
                               static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }

private:
    std::string m_key;
};

// Gathers what this process writes to the debugger output (OutputDebugStringA raises
// DBG_PRINTEXCEPTION_C, which a vectored handler sees first). Any thread's lines count.
class DebugOutputCapture {
public:
    DebugOutputCapture() {
        std::lock_guard<std::mutex> lock(Mutex());
        Lines().clear();
        m_handler = AddVectoredExceptionHandler(1, &Handler);
    }
    ~DebugOutputCapture() { RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // The texts exactly as written, line ends included.
    std::vector<std::string> Take() {
        std::lock_guard<std::mutex> lock(Mutex());
        std::vector<std::string> lines;
        lines.swap(Lines());
        return lines;
    }

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* pointers) {
        const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
        if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        const size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
        std::lock_guard<std::mutex> lock(Mutex());
        // The length counts the terminating zero.
        Lines().emplace_back(text, length > 0 ? length - 1 : 0);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    PVOID m_handler = nullptr;
};

// Holds a named mutex of the test prefix: tests of several processes that use one
// system-wide resource (the service's pipe name, HKLM keys) take turns.
class CrossProcessLock {
public:
    explicit CrossProcessLock(const char* name) : m_mutex(CreateMutexA(nullptr, FALSE, name)) {
        const DWORD wait = WaitForSingleObject(m_mutex, 300000);
        m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~CrossProcessLock() {
        if (m_held) {
            ReleaseMutex(m_mutex);
        }
        CloseHandle(m_mutex);
    }
    CrossProcessLock(const CrossProcessLock&) = delete;
    CrossProcessLock& operator=(const CrossProcessLock&) = delete;
    bool Held() const { return m_held; }

private:
    HANDLE m_mutex;
    bool m_held = false;
};

// kora-sim.exe's stand-in of the system control service, for the tests that own its
// pipe name: holds the pipe's cross-process lock for as long as it lives, so tests of
// other processes wait their turn.
class SimService {
public:
    static constexpr char kPipeName[] = "\\\\.\\PIPE\\KORA SYSTEM CONTROL PIPE";

    SimService() = default;
    ~SimService() { Stop(); }
    SimService(const SimService&) = delete;
    SimService& operator=(const SimService&) = delete;

    // The lock is held and no other service serves the pipe.
    void ExpectFree() const {
        ASSERT_TRUE(m_lock.Held());
        ASSERT_FALSE(WaitNamedPipeA(kPipeName, 1)) << "a service is already running";
    }

    // Starts `kora-sim service ARGUMENTS` (its output appended to `output`) and waits
    // until its pipe is there.
    void Start(const std::string& arguments, const std::string& output) {
        Stop();
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        const HANDLE out = CreateFileA(output.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        const std::string exe = ExeFolder() + "kora-sim.exe";
        std::string commandLine = "\"" + exe + "\" service " + arguments;
        PROCESS_INFORMATION process = {};
        const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                            nullptr, &startup, &process);
        const DWORD error = GetLastError();
        CloseHandle(out);
        ASSERT_TRUE(started) << error;
        CloseHandle(process.hThread);
        m_process = process.hProcess;
        for (int i = 0; i < 200; ++i) {
            if (WaitNamedPipeA(kPipeName, 50)) {
                return;
            }
            ASSERT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(m_process, 0))
                << "the service ended: " << ReadText(output);
            Sleep(50);
        }
        FAIL() << "the service's pipe did not appear";
    }

    void Stop() {
        if (m_process == nullptr) {
            return;
        }
        TerminateProcess(m_process, 0);
        WaitForSingleObject(m_process, 10000);
        CloseHandle(m_process);
        m_process = nullptr;
    }

private:
    CrossProcessLock m_lock{"SurgepadTest.SysCtrlPipe"};
    HANDLE m_process = nullptr;
};

}  // namespace testutil
