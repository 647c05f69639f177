#include "surgepad/MachineButtonStore.h"

#include <windows.h>

#include <sddl.h>
#include <shlobj.h>

#include "lumen/core/DebugTrace.h"
#include "lumen/core/Handle.h"

namespace surgepad {
namespace {

constexpr char kFolder[] = "\\KORA\\Surgepad";
constexpr char kFileName[] = "\\PowerButton.txt";
constexpr DWORD kMostBytes = 64 * 1024;

// Every account may change what one account's copy wrote: full access for the users,
// inherited by the files made in the folder.
void MakeSharedFolder(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)",
                                                              SDDL_REVISION_1, &descriptor, nullptr)) {
        CreateDirectoryA(folder.c_str(), nullptr);
        return;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    CreateDirectoryA(folder.c_str(), &attributes);
    LocalFree(descriptor);
}

std::string MachineRecordPath() {
    char common[MAX_PATH] = {};
    if (FAILED(
            SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, common))) {
        return std::string();
    }
    const std::string kora = std::string(common) + "\\KORA";
    CreateDirectoryA(kora.c_str(), nullptr);
    const std::string folder = std::string(common) + kFolder;
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MakeSharedFolder(folder);
    }
    return folder + kFileName;
}

}  // namespace

MachineButtonStore& MachineButtonStore::Instance() {
    static auto* const store = new MachineButtonStore(MachineRecordPath());
    return *store;
}

std::optional<MachineButtonRecord> MachineButtonStore::Read() const {
    if (m_path.empty()) {
        return std::nullopt;
    }
    const lumen::UniqueFile file(CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string text(kMostBytes, '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), kMostBytes, &read, nullptr)) {
        return std::nullopt;
    }
    text.resize(read);
    return ParseMachineButtonRecord(text);
}

bool MachineButtonStore::Write(const MachineButtonRecord& record) const {
    if (m_path.empty()) {
        return false;
    }
    const std::string text = FormatMachineButtonRecord(record);
    const std::string fresh = m_path + "." + std::to_string(GetCurrentProcessId()) + ".new";
    {
        const lumen::UniqueFile file(
            CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            lumen::Trace("[SettingsStore] the machine's power-button record cannot be written (error %lu)",
                         GetLastError());
            DeleteFileA(fresh.c_str());
            return false;
        }
    }
    if (!MoveFileExA(fresh.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        lumen::Trace("[SettingsStore] the machine's power-button record cannot be replaced (error %lu)",
                     GetLastError());
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

}  // namespace surgepad
