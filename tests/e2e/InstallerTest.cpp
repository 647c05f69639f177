// The release's installer, on the x64 package of this build: msiexec installs the
// program folder, the Start-menu shortcut and the Run value; the installed program runs
// once the board maker's libraries are beside it (the test puts the stand-ins there, as
// a user puts the vendor's) and holds the power button for the turbo action; msiexec
// removes everything it installed, closes the running program and gives the button
// back, and leaves the user's settings alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>
#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/E2eSupport.h"

namespace {

using e2e::kSettingsKey;
using e2e::Surgepad;

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// What the package does not ship: the board maker's libraries.
const char* const kBoardLibraries[] = {"KRACPI.DLL", "Dormix.dll", "vvc.dll"};
constexpr char kTakeOver[] =
    "powrprof write {68A1E95E-13EA-41E1-8011-0C496CA490B0} {4F971E89-EEBD-4455-A8DE-9E59040E7347} "
    "{7648EFA3-DD9C-4E3E-B566-50F929386280} 0x00000000";
// Given back scheme by scheme, balanced (the scheme in force) last.
constexpr char kGiveBackShutDown[] =
    "powrprof write {381B4222-F694-41F0-9685-FF5BB260DF2E} {4F971E89-EEBD-4455-A8DE-9E59040E7347} "
    "{7648EFA3-DD9C-4E3E-B566-50F929386280} 0x00000003";

std::string Package() {
    return e2e::WindowsPath(SURGEPAD_E2E_PACKAGE);
}

// The program folder the package was made from.
std::string PackagedFolder() {
    return e2e::WindowsPath(SURGEPAD_E2E_PACKAGE_FILES) + "\\";
}

std::string DefaultInstallFolder() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\KORA\\Surgepad\\";
}

// msiexec with `arguments` and a verbose log in the shots folder; its exit code.
DWORD Msiexec(const std::string& arguments, const std::string& log) {
    std::string commandLine = "msiexec.exe " + arguments + " /qn /l*v \"" + e2e::ShotsDir() + log + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start msiexec, error " << GetLastError();
        return static_cast<DWORD>(-1);
    }
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    } else {
        TerminateProcess(pi.hProcess, 99);
    }
    CloseHandle(pi.hProcess);
    return code;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<ULONGLONG> FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The files under `folder`, as paths relative to it.
void CollectFiles(const std::string& folder, const std::string& relative, std::vector<std::string>* files) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            CollectFiles(folder, relative + name + "\\", files);
        } else {
            files->push_back(relative + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<std::string> FilesUnder(const std::string& folder) {
    std::vector<std::string> files;
    CollectFiles(folder, "", &files);
    return files;
}

std::optional<std::string> RunValue() {
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kRunKey, "Surgepad", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(value);
}

// The target of Start-menu shortcut `name` with its arguments after a space, or nullopt
// without one. A per-machine package puts it among every user's programs; Wine puts it
// among the current user's.
std::optional<std::string> ShortcutTarget(const std::string& name) {
    for (const int place : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char folder[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, place, nullptr, SHGFP_TYPE_CURRENT, folder);
        const std::string link = std::string(folder) + "\\" + name + ".lnk";
        if (!Exists(link)) {
            continue;
        }
        std::optional<std::string> target;
        IShellLinkA* shellLink = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                       reinterpret_cast<void**>(&shellLink)))) {
            IPersistFile* file = nullptr;
            if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                const std::wstring wide(link.begin(), link.end());
                char path[MAX_PATH] = {};
                char arguments[MAX_PATH] = {};
                if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                    SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)) &&
                    SUCCEEDED(shellLink->GetArguments(arguments, MAX_PATH))) {
                    target = std::string(path) + (arguments[0] != '\0' ? std::string(" ") + arguments : "");
                }
                file->Release();
            }
            shellLink->Release();
        }
        return target.value_or("(unreadable shortcut " + link + ")");
    }
    return std::nullopt;
}

bool MachineSettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

using e2e::SystemButton;

using Pair = std::optional<std::pair<uint32_t, uint32_t>>;
Pair P(uint32_t action, uint32_t event) {
    return std::make_pair(action, event);
}

int CountFrom(size_t from, const std::string& line) {
    const std::vector<std::string> lines = e2e::JournalLines();
    int n = 0;
    for (size_t i = from; i < lines.size(); ++i) {
        n += lines[i] == line ? 1 : 0;
    }
    return n;
}

// One integer column of the first row a query of the package answers; nullopt without a row.
std::optional<int> PackageInteger(const std::string& query) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseA(Package().c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<int> value;
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        if (MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            value = MsiRecordGetInteger(record, 1);
            MsiCloseHandle(record);
        }
        MsiViewClose(view);
        MsiCloseHandle(view);
    }
    MsiCloseHandle(database);
    return value;
}

std::optional<int> Sequence(const char* action) {
    return PackageInteger(std::string("SELECT `Sequence` FROM `InstallExecuteSequence` WHERE `Action` = '") + action +
                          "'");
}

class Installer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_files = FilesUnder(PackagedFolder());
        ASSERT_FALSE(m_files.empty()) << "no program folder at " << PackagedFolder();
    }
    void TearDown() override { CoUninitialize(); }

    // Every file of the packaged program folder is in `folder`, alike in size.
    void ExpectInstalledIn(const std::string& folder) const {
        for (const std::string& file : m_files) {
            EXPECT_EQ(FileSize(folder + file), FileSize(PackagedFolder() + file)) << file;
        }
        EXPECT_EQ(RunValue(), std::optional<std::string>("\"" + folder + "Surgepad.exe\""));
        EXPECT_EQ(ShortcutTarget("Surgepad"), std::optional<std::string>(folder + "Surgepad.exe"));
        EXPECT_EQ(ShortcutTarget("Surgepad Turbo"), std::optional<std::string>(folder + "Surgepad.exe -turbo toggle"));
    }
    void ExpectRemovedFrom(const std::string& folder) const {
        for (const std::string& file : m_files) {
            EXPECT_FALSE(Exists(folder + file)) << file;
        }
        EXPECT_EQ(RunValue(), std::nullopt);
        EXPECT_EQ(ShortcutTarget("Surgepad"), std::nullopt);
        EXPECT_EQ(ShortcutTarget("Surgepad Turbo"), std::nullopt);
    }

    std::vector<std::string> m_files;
};

// Wine runs a deferred action wherever it stands; Windows refuses one outside the
// script (InstallInitialize to InstallFinalize) and fails the removal.
TEST_F(Installer, TheReleaseRunsInTheRemovalsScriptAsTheUserBeforeTheFilesGo) {
    const std::optional<int> release = Sequence("ReleasePowerButton");
    ASSERT_TRUE(release.has_value());
    EXPECT_LT(Sequence("InstallInitialize"), release);
    EXPECT_LT(Sequence("RemoveShortcuts"), release) << "the shortcut cannot start a new copy meanwhile";
    EXPECT_LT(release, Sequence("RemoveFiles"));
    const std::optional<int> type =
        PackageInteger("SELECT `Type` FROM `CustomAction` WHERE `Action` = 'ReleasePowerButton'");
    ASSERT_TRUE(type.has_value());
    EXPECT_EQ(*type & 0x3F, msidbCustomActionTypeExe | msidbCustomActionTypeSourceFile) << "an installed program";
    EXPECT_NE(*type & msidbCustomActionTypeInScript, 0) << "deferred";
    EXPECT_NE(*type & msidbCustomActionTypeContinue, 0) << "its failure does not fail the removal";
    EXPECT_EQ(*type & msidbCustomActionTypeNoImpersonate, 0) << "as the user whose settings it reads";
}

TEST_F(Installer, InstallsRunsHoldsTheButtonAndTheRemovalGivesItBack) {
    e2e::UseBoard("full.txt");
    // The system reports Windows 10 to programs that declare it: Surgepad must still be
    // told 6.x and keep its settings under the current user.
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Surgepad.exe", "Version",
                                             REG_SZ, "win10", 6));
    ASSERT_EQ(Msiexec("/i \"" + Package() + "\"", "install.log"), 0u);
    const std::string folder = DefaultInstallFolder();
    ExpectInstalledIn(folder);
    const std::string exe = folder + "Surgepad.exe";

    // The board maker's libraries are not shipped, and the program does not start
    // without them.
    for (const char* library : kBoardLibraries) {
        EXPECT_FALSE(Exists(folder + library)) << library;
    }
    {
        Surgepad alone("", exe);
        EXPECT_TRUE(alone.WaitForExit(15000).has_value());
        EXPECT_EQ(alone.CountTrace("startup:"), 0) << alone.TraceText();
    }
    for (const char* library : kBoardLibraries) {
        ASSERT_TRUE(CopyFileA((e2e::ProgramDir() + library).c_str(), (folder + library).c_str(), FALSE)) << library;
    }

    // The first start: the power action, and the system's setting saved.
    {
        Surgepad first("", exe);
        ASSERT_TRUE(first.WaitForTrace("startup: running", 30000)) << first.TraceText();
        ASSERT_TRUE(first.Sync());
    }
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonDisabled"), std::optional<DWORD>(1));
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonAction"), std::optional<DWORD>(3));
    EXPECT_FALSE(MachineSettingsKeyExists()) << "the settings moved to the local machine";

    // The turbo action chosen (every scheme's button does nothing): the next start
    // takes the button over.
    ASSERT_TRUE(e2e::ChooseTurbo(0));
    ASSERT_TRUE(e2e::SetSchemeAction(e2e::kAllSchemes, 0));
    const size_t beforeStart = e2e::JournalLines().size();
    Surgepad program("", exe);
    ASSERT_TRUE(program.WaitForTrace("startup: running", 30000)) << program.TraceText();
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(CountFrom(beforeStart, kTakeOver), 1);
    EXPECT_EQ(SystemButton(), P(0, 0));

    // The removal, with the program running.
    const size_t beforeRemoval = e2e::JournalLines().size();
    ASSERT_EQ(Msiexec("/x \"" + Package() + "\"", "remove.log"), 0u);
    EXPECT_EQ(program.WaitForExit(5000), std::optional<DWORD>(0)) << "the removal closes the program";
    EXPECT_EQ(CountFrom(beforeRemoval, kGiveBackShutDown), 1);
    EXPECT_EQ(SystemButton(), P(3, 0));
    ExpectRemovedFrom(folder);
    for (const char* library : kBoardLibraries) {
        EXPECT_TRUE(Exists(folder + library)) << "the user's own " << library << " stays";
    }
    // The settings stay, with the button given back to the system.
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "ButtonAction"), std::optional<DWORD>(0));
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonDisabled"), std::optional<DWORD>(1));
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonAction"), std::optional<DWORD>(3));
    EXPECT_FALSE(MachineSettingsKeyExists());
}

TEST_F(Installer, AChosenFolderAndARemovalWithoutTheBoardLibraries) {
    e2e::UseBoard("full.txt");
    const std::string folder = "C:\\Board Tools\\Surgepad\\";
    ASSERT_EQ(Msiexec("/i \"" + Package() + "\" INSTALLDIR=\"C:\\Board Tools\\Surgepad\"", "install.log"), 0u);
    ExpectInstalledIn(folder);
    EXPECT_FALSE(Exists(DefaultInstallFolder() + "Surgepad.exe"));

    // Settings that say the program holds the button; its release run cannot start
    // without the libraries, and the removal goes on without it.
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonDisabled", 0));
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonAction", 1));
    ASSERT_TRUE(e2e::SetUserDword(kSettingsKey, "PowerButtonEventCode", 0));
    const size_t before = e2e::JournalLines().size();
    ASSERT_EQ(Msiexec("/x \"" + Package() + "\"", "remove.log"), 0u);
    ExpectRemovedFrom(folder);
    EXPECT_EQ(e2e::JournalLines().size(), before) << "nothing reached the power-feature library";
    EXPECT_EQ(e2e::UserDword(kSettingsKey, "PowerButtonDisabled"), std::optional<DWORD>(0));
}

}  // namespace
