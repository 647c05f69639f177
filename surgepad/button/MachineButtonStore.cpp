#include "surgepad/button/MachineButtonStore.h"

#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"
#include "lumen/system/BoundedCall.h"

namespace surgepad {
namespace {

constexpr char kRecordPrefix[] = "PowerButton-";
constexpr char kRecordSuffix[] = ".txt";
constexpr char kOlderRecord[] = "PowerButton.txt";
// A record is a few hundred bytes; a folder a few accounts' records.
constexpr DWORD kMostBytes = 16 * 1024;
constexpr int kMostRecords = 64;
constexpr DWORD kLockWaitMs = 1000;

// Every account may list and read the folder and add a file of its own (which its
// creator owns); nobody but the system and the administrators may delete or replace
// another's file or change the folder's access.
constexpr char kFolderAccess[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;OIIO;FA;;;CO)";

std::string CurrentUserSid() {
    lumen::UniqueHandle token;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return std::string();
    }
    token.reset(raw);
    std::vector<BYTE> buffer(256);
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
        return std::string();
    }
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return std::string();
    }
    std::string sid = text;
    LocalFree(text);
    return sid;
}

// Makes `folder` (and the "KORA" folder above it) when missing.
void MakeFolder(const std::string& folder) {
    const std::string parent = folder.substr(0, folder.find_last_of('\\', folder.size() - 2));
    CreateDirectoryA(parent.c_str(), nullptr);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kFolderAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
        return;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    CreateDirectoryA(folder.c_str(), &attributes);
    LocalFree(descriptor);
}

// A folder, not a link to one.
bool IsPlainFolder(const std::string& folder) {
    const lumen::UniqueFile handle(
        CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return handle && GetFileInformationByHandle(handle.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The text of a plain file of a record's size: not a link, a device or a pipe, not
// another file's second name.
std::optional<std::string> ReadRecordFile(const std::string& path) {
    const lumen::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        info.nNumberOfLinks != 1 || info.nFileSizeHigh != 0 || info.nFileSizeLow > kMostBytes) {
        return std::nullopt;
    }
    std::string text(kMostBytes + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), kMostBytes + 1, &read, nullptr) || read > kMostBytes) {
        return std::nullopt;
    }
    text.resize(read);
    return text;
}

std::optional<MachineButtonRecord> ReadFolder(const std::string& folder) {
    if (!IsPlainFolder(folder)) {
        return std::nullopt;
    }
    std::optional<MachineButtonRecord> older;
    if (const auto text = ReadRecordFile(folder + kOlderRecord)) {
        older = ParseMachineButtonRecord(*text);
    }
    std::map<std::string, AccountButtonRecord> accounts;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + kRecordPrefix + "*" + kRecordSuffix).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        int seen = 0;
        do {
            const std::string name = found.cFileName;
            const size_t prefix = sizeof kRecordPrefix - 1;
            const size_t suffix = sizeof kRecordSuffix - 1;
            if (name.size() <= prefix + suffix || name.compare(name.size() - suffix, suffix, kRecordSuffix) != 0) {
                continue;
            }
            const std::string account = name.substr(prefix, name.size() - prefix - suffix);
            if (!IsAccountId(account) || ++seen > kMostRecords) {
                continue;
            }
            if (const auto text = ReadRecordFile(folder + name)) {
                if (const auto record = ParseAccountButtonRecord(*text)) {
                    accounts[account] = *record;
                } else {
                    lumen::Trace("[SettingsStore] the machine record %s is not whole; it is passed over", name.c_str());
                }
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (!older && accounts.empty()) {
        return std::nullopt;
    }
    return MergeButtonRecords(older, accounts);
}

std::string UnguessableName() {
    std::random_device random;
    char text[40];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", random(), random(), random(), random());
    return text;
}

// Writes `text` to a new file of an unguessable name and moves it over `account`'s
// record: nothing is opened through a name another account could have made a link.
bool ReplaceRecord(const std::string& folder, const std::string& account, const std::string& text) {
    const std::string target = folder + kRecordPrefix + account + kRecordSuffix;
    const std::string fresh = folder + kRecordPrefix + account + "." + UnguessableName() + ".new";
    const std::string sid = CurrentUserSid();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // The account writes its record; everybody reads it.
    if (sid.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                           ("D:P(A;;FA;;;" + sid + ")(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)").c_str(), SDDL_REVISION_1,
                           &descriptor, nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    bool written = false;
    {
        const lumen::UniqueFile file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        DWORD count = 0;
        written = file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &count, nullptr) &&
                  count == text.size() && FlushFileBuffers(file.get());
    }
    LocalFree(descriptor);
    if (!written) {
        lumen::Trace("[SettingsStore] the machine record cannot be written (error %lu)", GetLastError());
        DeleteFileA(fresh.c_str());
        return false;
    }
    if (!MoveFileExA(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        lumen::Trace("[SettingsStore] the machine record cannot be replaced (error %lu)", GetLastError());
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

// Runs `work` with the records, bounded in time; false when it could not run or end.
// One that hung holds the worker, and no other runs behind it (each would hang too).
bool WithRecords(const char* what, uint32_t waitMs, std::function<void()> work) {
    const bool ended = lumen::RunWithin(std::move(work), waitMs);
    if (!ended) {
        lumen::Trace("[SettingsStore] the machine record was not %s in time; the program goes on without it", what);
    }
    return ended;
}

}  // namespace

MachineButtonStore& MachineButtonStore::Instance() {
    static auto* const store = [] {
        char common[MAX_PATH] = {};
        const bool found =
            SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common));
        return new MachineButtonStore(found ? std::string(common) + "\\KORA\\Surgepad\\" : std::string());
    }();
    return *store;
}

std::optional<MachineButtonRecord> MachineButtonStore::Read() const {
    if (m_folder.empty()) {
        return std::nullopt;
    }
    auto result = std::make_shared<std::optional<MachineButtonRecord>>();
    if (!WithRecords("read", m_waitMs, [folder = m_folder, result] { *result = ReadFolder(folder); })) {
        return std::nullopt;
    }
    return *result;
}

bool MachineButtonStore::Write(const std::string& account, AccountButtonRecord record) const {
    if (m_folder.empty() || !IsAccountId(account)) {
        return false;
    }
    auto written = std::make_shared<bool>(false);
    const bool ended = WithRecords("written", m_waitMs, [folder = m_folder, account, record, written]() mutable {
        // Two copies of one account (a running one and "-release") write one file.
        const lumen::UniqueHandle lock(
            CreateMutexA(nullptr, FALSE, ("Local\\Surgepad machine record " + account).c_str()));
        const DWORD wait = lock ? WaitForSingleObject(lock.get(), kLockWaitMs) : WAIT_FAILED;
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
            return;
        }
        MakeFolder(folder);
        if (IsPlainFolder(folder)) {
            const std::optional<MachineButtonRecord> now = ReadFolder(folder);
            // A record claiming the largest turn takes no more turns from later ones.
            record.turn = std::min((now ? now->turn : 0) + 1, kLargestTurn);
            *written = ReplaceRecord(folder, account, FormatAccountButtonRecord(record));
        } else {
            lumen::Trace("[SettingsStore] %s is no plain folder; the machine record is not written", folder.c_str());
        }
        ReleaseMutex(lock.get());
    });
    return ended && *written;
}

}  // namespace surgepad
