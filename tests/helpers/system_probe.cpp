// A second process for the tests of the simulated system's power and foreground: binds
// "powrprof.dll" at run time as a program does (or the file --dll names; a stand-in
// outside the system folder needs the override "powrprof=n,b") and prints what it sees,
// one line each, flushed at once so that a test can follow it.
//
//   system_probe [--dll PATH] mode [--version V] [--count N] [--seconds S] [--linger L]
//       registers for the effective power mode (version V, default 2); prints
//       "registered", then "mode N" at every callback; after N callbacks (default: no
//       limit) or S seconds (default 30) unregisters, prints "unregistered", stays L
//       seconds more (default 0; a callback then would still print) and exits 0.
//   system_probe [--dll PATH] battery
//       "ac=A present=P charging=C discharging=D max=M remaining=R rate=0x%08X
//       time=0x%08X alert1=L1 alert2=L2" from CallNtPowerInformation(SystemBatteryState).
//   system_probe [--dll PATH] schemes
//       "scheme GUID ACTION" for every scheme PowerEnumerate lists, in its order, with its
//       AC power-button action, then "active GUID".
//   system_probe [--dll PATH] lifetime
//       registers, frees the library with the registration open (it must stay loaded),
//       unregisters through the kept entry (the library and its thread must then go);
//       "lifetime ok", or what went wrong.
//   system_probe foreground [--count N] [--seconds S]
//       hooks EVENT_SYSTEM_FOREGROUND out of context; prints "hooked", then
//       "foreground 0x%08X PID CAPTION" for every event; ends after N events or S seconds.
// Exit codes: 0 done, 1 a call failed, 2 bad arguments.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using ModeCallback = void(WINAPI*)(int mode, void* context);

// {4F971E89-EEBD-4455-A8DE-9E59040E7347} and {7648EFA3-DD9C-4E3E-B566-50F929386280}
constexpr GUID kButtonSubgroup = {0x4F971E89, 0xEEBD, 0x4455, {0xA8, 0xDE, 0x9E, 0x59, 0x04, 0x0E, 0x73, 0x47}};
constexpr GUID kPowerButtonAction = {0x7648EFA3, 0xDD9C, 0x4E3E, {0xB5, 0x66, 0x50, 0xF9, 0x29, 0x38, 0x62, 0x80}};

struct Options {
    const char* dll = "powrprof.dll";
    std::string command;
    unsigned long version = 2;
    unsigned long count = 0;
    unsigned long seconds = 30;
    unsigned long linger = 0;
};

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The library's entries this probe calls; null where the library lacks one.
struct Powrprof {
    explicit Powrprof(HMODULE m) : module(m) {}
    template <typename Function>
    Function Get(const char* name) const {
        return module == nullptr ? nullptr
                                 : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HMODULE module;
    LONG(WINAPI* information)
    (POWER_INFORMATION_LEVEL, PVOID, ULONG, PVOID, ULONG) = Get<decltype(information)>("CallNtPowerInformation");
    HRESULT(WINAPI* registerMode)
    (ULONG, ModeCallback, void*,
     void**) = Get<decltype(registerMode)>("PowerRegisterForEffectivePowerModeNotifications");
    HRESULT(WINAPI* unregisterMode)
    (void*) = Get<decltype(unregisterMode)>("PowerUnregisterFromEffectivePowerModeNotifications");
    DWORD(WINAPI* enumerate)
    (HKEY, const GUID*, const GUID*, DWORD, ULONG, UCHAR*, DWORD*) = Get<decltype(enumerate)>("PowerEnumerate");
    DWORD(WINAPI* readIndex)
    (HKEY, const GUID*, const GUID*, const GUID*, DWORD*) = Get<decltype(readIndex)>("PowerReadACValueIndex");
    DWORD(WINAPI* getActive)(HKEY, GUID**) = Get<decltype(getActive)>("PowerGetActiveScheme");
};

// The mode callbacks so far: counted on the library's thread, read on the main one.
HANDLE g_called = CreateEventA(nullptr, FALSE, FALSE, nullptr);
volatile LONG g_calls = 0;
// The first call comes from the library's thread, as the system's does, and may come
// before the registration has returned: it waits until "registered" is printed, so that
// the output's order is the same on every run.
HANDLE g_registeredSaid = CreateEventA(nullptr, TRUE, TRUE, nullptr);

void WINAPI OnMode(int mode, void*) {
    WaitForSingleObject(g_registeredSaid, 5000);
    Say("mode %d", mode);
    InterlockedIncrement(&g_calls);
    SetEvent(g_called);
}

int WatchMode(const Powrprof& p, const Options& options) {
    void* handle = nullptr;
    ResetEvent(g_registeredSaid);
    const HRESULT registered = p.registerMode(options.version, &OnMode, nullptr, &handle);
    if (FAILED(registered)) {
        Say("register failed 0x%08lX", static_cast<unsigned long>(registered));
        return 1;
    }
    Say("registered");
    SetEvent(g_registeredSaid);
    const ULONGLONG end = GetTickCount64() + options.seconds * 1000ull;
    for (ULONGLONG now = GetTickCount64();
         now < end && (options.count == 0 || static_cast<unsigned long>(g_calls) < options.count);
         now = GetTickCount64()) {
        WaitForSingleObject(g_called, static_cast<DWORD>(end - now));
    }
    const bool unregistered = SUCCEEDED(p.unregisterMode(handle));
    Say(unregistered ? "unregistered" : "unregister failed");
    Sleep(options.linger * 1000);
    return unregistered ? 0 : 1;
}

int ReadBattery(const Powrprof& p) {
    SYSTEM_BATTERY_STATE s = {};
    const LONG status = p.information(SystemBatteryState, nullptr, 0, &s, sizeof s);
    if (status != 0) {
        Say("status 0x%08lX", static_cast<unsigned long>(status));
        return 1;
    }
    Say("ac=%d present=%d charging=%d discharging=%d max=%lu remaining=%lu rate=0x%08lX time=0x%08lX alert1=%lu "
        "alert2=%lu",
        s.AcOnLine, s.BatteryPresent, s.Charging, s.Discharging, s.MaxCapacity, s.RemainingCapacity, s.Rate,
        s.EstimatedTime, s.DefaultAlert1, s.DefaultAlert2);
    return 0;
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

int ListSchemes(const Powrprof& p) {
    constexpr DWORD kAccessScheme = 16;
    GUID scheme = {};
    DWORD size = sizeof scheme;
    for (ULONG i = 0; p.enumerate(nullptr, nullptr, nullptr, kAccessScheme, i, reinterpret_cast<UCHAR*>(&scheme),
                                  &size) == ERROR_SUCCESS;
         ++i, size = sizeof scheme) {
        DWORD action = 0;
        const DWORD read = p.readIndex(nullptr, &scheme, &kButtonSubgroup, &kPowerButtonAction, &action);
        Say(read == ERROR_SUCCESS ? "scheme %s %lu" : "scheme %s unreadable, error %lu", GuidText(scheme).c_str(),
            read == ERROR_SUCCESS ? action : read);
    }
    GUID* active = nullptr;
    const DWORD result = p.getActive(nullptr, &active);
    if (result != ERROR_SUCCESS) {
        Say("no active scheme, error %lu", result);
        return 1;
    }
    Say("active %s", GuidText(*active).c_str());
    LocalFree(active);
    return 0;
}

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

template <typename Condition>
bool Within5s(Condition done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        Sleep(10);
    }
    return done();
}

int CheckLifetime(const Powrprof& p) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(p.module, path, MAX_PATH);
    const auto loaded = [&] { return GetModuleHandleA(path) != nullptr; };
    const int before = ThreadCount();
    void* handle = nullptr;
    const char* fault = nullptr;
    if (FAILED(p.registerMode(2, &OnMode, nullptr, &handle)) || WaitForSingleObject(g_called, 5000) != WAIT_OBJECT_0) {
        fault = "no first callback";
    } else if (ThreadCount() != before + 1) {
        fault = "not one thread more while registered";
    } else if (FreeLibrary(p.module), Sleep(200), !loaded()) {
        fault = "the library was unloaded under its running thread";
    } else if (FAILED(p.unregisterMode(handle))) {
        fault = "unregister failed";
    } else if (!Within5s([&] { return !loaded(); })) {
        fault = "the library stayed loaded after the last registration went";
    } else if (!Within5s([&] { return ThreadCount() == before; })) {
        fault = "the thread stayed after the last registration went";
    }
    Say("lifetime %s", fault == nullptr ? "ok" : fault);
    return fault == nullptr ? 0 : 1;
}

unsigned long g_events = 0;

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_SYSTEM_FOREGROUND && object == OBJID_WINDOW && child == CHILDID_SELF) {
        char caption[256] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        Say("foreground 0x%08llX %lu %s", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)), pid,
            caption);
        ++g_events;
    }
}

int WatchForeground(const Options& options) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &OnForeground, 0, 0,
                                         WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr) {
        Say("hook failed %lu", GetLastError());
        return 1;
    }
    Say("hooked");
    // Out-of-context events arrive through this thread's messages.
    const ULONGLONG end = GetTickCount64() + options.seconds * 1000ull;
    for (ULONGLONG now = GetTickCount64(); now < end && (options.count == 0 || g_events < options.count);
         now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    UnhookWinEvent(hook);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--dll") == 0) {
        options.dll = argv[i + 1];
        i += 2;
    }
    options.command = i < argc ? argv[i++] : "";
    for (; i < argc; i += 2) {
        unsigned long* target = std::strcmp(argv[i], "--version") == 0   ? &options.version
                                : std::strcmp(argv[i], "--count") == 0   ? &options.count
                                : std::strcmp(argv[i], "--seconds") == 0 ? &options.seconds
                                : std::strcmp(argv[i], "--linger") == 0  ? &options.linger
                                                                         : nullptr;
        char* end = nullptr;
        if (target == nullptr || i + 1 >= argc || (*target = std::strtoul(argv[i + 1], &end, 0), *end != '\0')) {
            options.command.clear();
        }
    }
    if (options.command == "foreground") {
        return WatchForeground(options);
    }
    const Powrprof p(LoadLibraryA(options.dll));
    const bool complete = p.module != nullptr && p.information != nullptr && p.registerMode != nullptr &&
                          p.unregisterMode != nullptr && p.enumerate != nullptr && p.readIndex != nullptr &&
                          p.getActive != nullptr;
    const struct {
        const char* name;
        int (*run)(const Powrprof&, const Options&);
    } commands[] = {
        {"mode", &WatchMode},
        {"battery", [](const Powrprof& p, const Options&) { return ReadBattery(p); }},
        {"schemes", [](const Powrprof& p, const Options&) { return ListSchemes(p); }},
        {"lifetime", [](const Powrprof& p, const Options&) { return CheckLifetime(p); }},
    };
    for (const auto& command : commands) {
        if (options.command == command.name) {
            if (!complete) {
                Say("%s is not loaded or lacks a function this probe calls", options.dll);
                return 1;
            }
            return command.run(p, options);
        }
    }
    std::fprintf(
        stderr,
        "usage: system_probe [--dll PATH] mode [--version V] [--count N] [--seconds S] [--linger L] | battery | "
        "schemes | lifetime\n       system_probe foreground [--count N] [--seconds S]\n");
    return 2;
}
