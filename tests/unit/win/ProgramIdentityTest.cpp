// The program's identity as Windows reads it from Surgepad.exe of both targets: the
// version resource, the icon, and the application manifest through the system's own
// parser (an activation context made from the file). The x86 program cannot run here,
// but its file is read like any other; it is the build's sibling (<build>/x86 beside
// <build>/x64, as the Makefile lays them out).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "surgepad/Version.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

// supportedOS identifiers.
constexpr GUID kVista = {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}};
constexpr GUID kWindows7 = {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}};
constexpr GUID kWindows8 = {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}};
constexpr GUID kWindows81 = {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}};
constexpr GUID kWindows10 = {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};

std::string ProgramPath(const std::string& arch) {
    return arch == "x64" ? testutil::ExeFolder() + "Surgepad.exe"
                         : testutil::ExeFolder() + "..\\..\\x86\\bin\\Surgepad.exe";
}

std::string GuidText(const GUID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

class ProgramIdentity : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        m_path = ProgramPath(GetParam());
        if (GetFileAttributesA(m_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ASSERT_NE(GetParam(), "x64") << "no program at " << m_path;
            GTEST_SKIP() << "no x86 build beside this one at " << m_path << " (make build-x86 makes it)";
        }
    }
    std::string m_path;
};

TEST_P(ProgramIdentity, VersionResourceCarriesTheProjectVersionAndTheProductsNames) {
    const DWORD size = GetFileVersionInfoSizeA(m_path.c_str(), nullptr);
    ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(m_path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = MAKELONG(SURGEPAD_VERSION_MINOR, SURGEPAD_VERSION_MAJOR);
    const DWORD low = MAKELONG(SURGEPAD_VERSION_TWEAK, SURGEPAD_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    struct Translation {
        WORD language;
        WORD codePage;
    }* translations = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length));
    ASSERT_EQ(length, sizeof(Translation)) << "one language";
    char table[64];
    std::snprintf(table, sizeof table, "\\StringFileInfo\\%04X%04X\\", translations->language, translations->codePage);
    EXPECT_EQ(translations->language, 0x0409);

    const struct {
        const char* name;
        std::string value;
    } strings[] = {
        {"CompanyName", "KORA"},
        {"ProductName", "Surgepad"},
        {"FileVersion", SURGEPAD_VERSION_TEXT},
        {"ProductVersion", SURGEPAD_VERSION_TEXT},
        {"OriginalFilename", "Surgepad.exe"},
        {"InternalName", "Surgepad"},
    };
    for (const auto& s : strings) {
        char* value = nullptr;
        const std::string path = table + std::string(s.name);
        if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
            ADD_FAILURE() << s.name << " is missing";
            continue;
        }
        EXPECT_EQ(std::string(value), s.value) << s.name;
    }
    char* description = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), (table + std::string("FileDescription")).c_str(),
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_NE(std::string(description).find("Surgepad"), std::string::npos) << description;
}

TEST_P(ProgramIdentity, IconOfTheProgramIsThereWithEveryPicture) {
    HMODULE file = LoadLibraryExA(m_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(file, nullptr) << GetLastError();
    HRSRC group = FindResourceA(file, "MAINICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr) << "no MAINICON";
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(file, group)));
    ASSERT_NE(directory, nullptr);
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries ending in the icon's id.
    WORD type = 0;
    WORD count = 0;
    std::memcpy(&type, directory + 2, 2);
    std::memcpy(&count, directory + 4, 2);
    EXPECT_EQ(type, 1);
    EXPECT_GT(count, 0);
    for (WORD i = 0; i < count; ++i) {
        WORD id = 0;
        std::memcpy(&id, directory + 6 + i * 14 + 12, 2);
        EXPECT_NE(FindResourceA(file, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)), nullptr) << "picture " << id;
    }
    FreeLibrary(file);
}

// The manifest resource (type 24, id 1) as an activation context: the system's parse.
class ManifestContext {
public:
    explicit ManifestContext(const std::string& exe) {
        ACTCTXA context = {};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = exe.c_str();
        context.lpResourceName = MAKEINTRESOURCEA(1);
        m_context = CreateActCtxA(&context);
        m_error = GetLastError();
    }
    ~ManifestContext() {
        if (m_context != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(m_context);
        }
    }
    ManifestContext(const ManifestContext&) = delete;
    ManifestContext& operator=(const ManifestContext&) = delete;

    bool Valid() const { return m_context != INVALID_HANDLE_VALUE; }
    DWORD Error() const { return m_error; }

    std::wstring Setting(const wchar_t* nameSpace, const wchar_t* name) const {
        wchar_t value[256] = {};
        SIZE_T written = 0;
        if (!QueryActCtxSettingsW(0, m_context, nameSpace, name, value, ARRAYSIZE(value), &written)) {
            return L"(none)";
        }
        return value;
    }

    std::vector<BYTE> Information(ULONG infoClass) const {
        SIZE_T needed = 0;
        QueryActCtxW(0, m_context, nullptr, infoClass, nullptr, 0, &needed);
        std::vector<BYTE> data(needed);
        if (needed == 0 || !QueryActCtxW(0, m_context, nullptr, infoClass, data.data(), needed, &needed)) {
            data.clear();
        }
        return data;
    }

    // The supportedOS identifiers. The element layout grew a 64-bit "MaxVersionTested"
    // in later systems; the size of the answer tells which one this system writes.
    std::vector<GUID> SupportedSystems() const {
        const std::vector<BYTE> data = Information(CompatibilityInformationInActivationContext);
        std::vector<GUID> ids;
        if (data.size() < sizeof(DWORD)) {
            return ids;
        }
        DWORD count = 0;
        std::memcpy(&count, data.data(), sizeof count);
        size_t offset = sizeof(DWORD);
        size_t stride = sizeof(GUID) + sizeof(DWORD);
        if (count > 0 && data.size() == 8 + count * 32) {
            offset = 8;
            stride = 32;
        }
        for (DWORD i = 0; i < count && offset + i * stride + stride <= data.size(); ++i) {
            const BYTE* element = data.data() + offset + i * stride;
            DWORD type = 0;
            std::memcpy(&type, element + sizeof(GUID), sizeof type);
            if (type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) {
                GUID id;
                std::memcpy(&id, element, sizeof id);
                ids.push_back(id);
            }
        }
        return ids;
    }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    DWORD m_error = 0;
};

TEST_P(ProgramIdentity, ManifestKeepsTheVersionSixAnswerAndDeclaresPerMonitorDpi) {
    ManifestContext manifest(m_path);
    ASSERT_TRUE(manifest.Valid()) << "the system rejects the manifest, error " << manifest.Error();

    // Vista to 8.1 declared, Windows 10 not: the version query keeps answering 6.x.
    std::vector<std::string> declared;
    for (const GUID& id : manifest.SupportedSystems()) {
        declared.push_back(GuidText(id));
    }
    std::sort(declared.begin(), declared.end());
    std::vector<std::string> expected = {GuidText(kVista), GuidText(kWindows7), GuidText(kWindows8),
                                         GuidText(kWindows81)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(declared, expected) << "Windows 10 is " << GuidText(kWindows10);

    EXPECT_EQ(manifest.Setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
    EXPECT_EQ(manifest.Setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2, PerMonitor");

    const std::vector<BYTE> runLevel = manifest.Information(RunlevelInformationInActivationContext);
    ASSERT_GE(runLevel.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level;
    std::memcpy(&level, runLevel.data(), sizeof level);
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(level.UiAccess, 0u);

    // The program and the common controls it depends on.
    const std::vector<BYTE> detail = manifest.Information(ActivationContextDetailedInformation);
    ASSERT_GE(detail.size(), sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION));
    ACTIVATION_CONTEXT_DETAILED_INFORMATION information;
    std::memcpy(&information, detail.data(), sizeof information);
    EXPECT_EQ(information.ulAssemblyCount, 2u);
}

INSTANTIATE_TEST_SUITE_P(Targets, ProgramIdentity, testing::Values("x64", "x86"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
