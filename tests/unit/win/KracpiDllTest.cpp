// KRACPI.DLL as a Windows DLL: ordinal-only exports that each do their own job, the
// board beside the DLL, the state shared between processes, the journal shared by
// concurrent processes, and the debugger line of a broken board.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "lumen/kora/VendorApi.h"
#include "sim/Platform.h"
#include "tests/helpers/SimTestFiles.h"

using testing::Each;
using testing::ElementsAre;
using testing::MatchesRegex;
using testing::SizeIs;

namespace {

#ifndef DBG_PRINTEXCEPTION_C
constexpr DWORD DBG_PRINTEXCEPTION_C = 0x40010006;
#endif

const char kBoard[] = R"(info 0x00000001 0x00000000 0x00000000 0x03000000
item 0x03010011 0 base=10000 step=1 count=3001
item 0x03000013 28 base=8 step=1 count=43 percore=28,28
item 0x030600F0 0 attr=0x40000000 count=2
item 0x05080002 0 texts="Game Boost"
block 0x05080002 0 0 0x03010011 300 0xFFFFFFFF
)";

std::string BinFolder() {
    static const char anchor = 0;
    return sim::platform::ModuleFolder(&anchor);
}

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs a program of the bin folder with the test's environment and collects its output.
ProcessResult RunHelper(const std::string& arguments) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
        return result;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string commandLine = BinFolder();
    commandLine.insert(0, 1, '"').append("sim_probe.exe\" ").append(arguments);
    const BOOL started =
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastError();
        CloseHandle(readEnd);
        return result;
    }
    char chunk[256];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        result.output.append(chunk, got);
    }
    CloseHandle(readEnd);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << commandLine << " did not end";
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// Catches what the process writes to the debugger output: OutputDebugStringA raises
// DBG_PRINTEXCEPTION_C, which a vectored handler sees before the system's own.
class DebugOutputCapture {
public:
    DebugOutputCapture() : m_handler(AddVectoredExceptionHandler(1, &Handler)) { Lines().clear(); }
    ~DebugOutputCapture() { RemoveVectoredExceptionHandler(m_handler); }
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info) {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
            const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            Lines().emplace_back(text);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    void* m_handler;
};

using InitializeFn = uint32_t(WINAPI*)();
using SetValueFn = uint32_t(WINAPI*)(uint32_t, uint32_t, uint32_t);
using GetValueFn = uint32_t(WINAPI*)(uint32_t, uint32_t*);
using GetPackageFn = uint32_t(WINAPI*)(void*, uint32_t*);
using GetGroupFn = uint32_t(WINAPI*)(uint32_t, void*, uint32_t*);
using ElementFn = void*(WINAPI*)(void*);
using CountFn = uint32_t(WINAPI*)(void*);
using ItemInfoFn = uint32_t(WINAPI*)(void*, void*, uint32_t*);
using ValueWithArgFn = uint32_t(WINAPI*)(uint32_t, uint32_t, uint32_t*);
using BlockFn = uint32_t(WINAPI*)(uint32_t, uint32_t, void*, uint32_t*);

template <typename Fn>
Fn ByOrdinal(HMODULE module, WORD ordinal) {
    const FARPROC p = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    EXPECT_NE(nullptr, p) << "ordinal " << ordinal;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

uint32_t Word(const void* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

constexpr int kRepeatedWrites = 150;

DWORD WINAPI RunRepeatedWrites(void* result) {
    *static_cast<ProcessResult*>(result) =
        RunHelper(std::string("repeat ").append(std::to_string(kRepeatedWrites)).append(" 0x03010011"));
    return 0;
}

class KracpiDll : public testing::Test {
protected:
    simtest::SimEnvironment env;
};

}  // namespace

TEST_F(KracpiDll, ExportsOrdinalsOnly) {
    const HMODULE module = LoadLibraryA((BinFolder() + "KRACPI.DLL").c_str());
    ASSERT_NE(nullptr, module);
    for (const char* name : {"AcpiInitialize", "AcpiSetValue", "AcpiGetValue", "AcpiGetInfo", "AcpiGetGroup",
                             "AcpiFirstElement", "AcpiElementCount", "AcpiElementData", "AcpiNextElement",
                             "AcpiGetItemInfo", "AcpiGetValueWithArg", "AcpiGetItemBlock"}) {
        EXPECT_EQ(nullptr, GetProcAddress(module, name)) << name;
    }
    for (WORD ordinal = 1; ordinal <= 14; ++ordinal) {
        const bool exported = ordinal != 8 && ordinal != 14;
        EXPECT_EQ(exported, GetProcAddress(module, MAKEINTRESOURCEA(ordinal)) != nullptr) << ordinal;
    }
    // The export directory holds no name at all.
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_EQ(0u, exports->NumberOfNames);
    EXPECT_EQ(1u, exports->Base);
    EXPECT_EQ(13u, exports->NumberOfFunctions);
    FreeLibrary(module);
}

// Each ordinal is the function the program binds it as: a swapped pair would still
// link, and only show as wrong answers.
TEST_F(KracpiDll, EachOrdinalDoesItsJob) {
    env.WriteBoard(kBoard);
    const HMODULE module = LoadLibraryA((BinFolder() + "KRACPI.DLL").c_str());
    ASSERT_NE(nullptr, module);
    const auto initialize = ByOrdinal<InitializeFn>(module, 1);
    const auto setValue = ByOrdinal<SetValueFn>(module, 2);
    const auto getValue = ByOrdinal<GetValueFn>(module, 3);
    const auto getInfo = ByOrdinal<GetPackageFn>(module, 4);
    const auto getGroup = ByOrdinal<GetGroupFn>(module, 5);
    const auto first = ByOrdinal<ElementFn>(module, 6);
    const auto count = ByOrdinal<CountFn>(module, 7);
    const auto data = ByOrdinal<ElementFn>(module, 9);
    const auto next = ByOrdinal<ElementFn>(module, 10);
    const auto itemInfo = ByOrdinal<ItemInfoFn>(module, 11);
    const auto valueWithArg = ByOrdinal<ValueWithArgFn>(module, 12);
    const auto block = ByOrdinal<BlockFn>(module, 13);
    ASSERT_FALSE(HasFailure());

    EXPECT_EQ(1u, initialize());
    EXPECT_EQ(1u, setValue(0x030600F0, 1, 1) & 1);
    EXPECT_EQ(1u, setValue(0x03000013, 30, 2) & 1);
    uint32_t v = 0;
    EXPECT_EQ(1u, getValue(0x03000013, &v) & 1);
    EXPECT_EQ(30u, v);
    EXPECT_EQ(1u, valueWithArg(0x03000013, 0, &v) & 1);
    EXPECT_EQ(28u, v);

    std::vector<uint8_t> buffer(kora::kPackageBufferSize);
    uint32_t size = kora::kPackageBufferSize;
    getInfo(buffer.data(), &size);
    ASSERT_EQ(4u, count(buffer.data()));
    EXPECT_EQ(0x03000000u, Word(data(next(next(next(first(buffer.data())))))));

    size = kora::kPackageBufferSize;
    ASSERT_NE(0u, getGroup(5, buffer.data(), &size));
    ASSERT_EQ(1u, count(buffer.data()));
    std::vector<uint8_t> description(kora::kPackageBufferSize);
    size = kora::kPackageBufferSize;
    ASSERT_NE(0u, itemInfo(data(first(buffer.data())), description.data(), &size));
    ASSERT_EQ(6u, count(description.data()));
    void* e = first(description.data());
    EXPECT_EQ(0x05080002u, Word(data(e)));
    for (int i = 0; i < 5; ++i) {
        e = next(e);
    }
    EXPECT_STREQ("Game Boost", static_cast<const char*>(data(e)));

    size = kora::kPackageBufferSize;
    EXPECT_EQ(1u, block(0x05080002, 0, buffer.data(), &size) & 1);
    EXPECT_EQ(16u, size);
    EXPECT_EQ(300u, Word(buffer.data() + 8));
    FreeLibrary(module);
}

// A change made in one process is seen by the next call of another: the state file is
// read at every call and replaced after every change.
TEST_F(KracpiDll, StateIsSharedBetweenProcesses) {
    env.WriteBoard(kBoard);
    ASSERT_EQ(1u, AcpiSetValue(0x03010011, 250, 2) & 1);
    ProcessResult probe = RunHelper("get 0x03010011");
    EXPECT_EQ(0u, probe.exitCode);
    EXPECT_EQ("0x000000FA\r\n", probe.output);  // stdout in text mode

    // The other process selects core 1 and writes its ratio; this one sees both.
    probe = RunHelper("set 0x030600F0 1 1");
    EXPECT_EQ(0u, probe.exitCode) << probe.output;
    probe = RunHelper("set 0x03000013 35 2");
    EXPECT_EQ(0u, probe.exitCode) << probe.output;
    uint32_t v = 0;
    ASSERT_EQ(1u, AcpiGetValue(0x030600F0, &v) & 1);
    EXPECT_EQ(1u, v);
    ASSERT_EQ(1u, AcpiGetValue(0x03000013, &v) & 1);
    EXPECT_EQ(35u, v);
    ASSERT_EQ(1u, AcpiGetValueWithArg(0x03000013, 0, &v) & 1);
    EXPECT_EQ(28u, v);

    // A refused write in the other process changes nothing here.
    probe = RunHelper("set 0x03010011 5000 2");
    EXPECT_EQ(1u, probe.exitCode);
    EXPECT_EQ("fail\r\n", probe.output);
    ASSERT_EQ(1u, AcpiGetValue(0x03010011, &v) & 1);
    EXPECT_EQ(250u, v);

    EXPECT_THAT(env.Journal(),
                ElementsAre("acpi set 0x03010011 0x000000FA 2 ok", "acpi set 0x030600F0 0x00000001 1 ok",
                            "acpi set 0x03000013 0x00000023 2 ok", "acpi set 0x03010011 0x00001388 2 fail"));
}

// Two processes writing at once: every line arrives whole, none is lost.
TEST_F(KracpiDll, ConcurrentProcessesShareTheJournal) {
    env.WriteBoard(kBoard);
    // Each process keeps its values to itself; only the journal is shared.
    simtest::ScopedEnv noState("KORA_SIM_STATE", std::nullopt);
    std::vector<ProcessResult> results(2);
    std::vector<HANDLE> threads;
    for (ProcessResult& result : results) {
        threads.push_back(CreateThread(nullptr, 0, &RunRepeatedWrites, &result, 0, nullptr));
        ASSERT_NE(nullptr, threads.back());
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, 60000));
    for (HANDLE thread : threads) {
        CloseHandle(thread);
    }
    for (const ProcessResult& result : results) {
        EXPECT_EQ(0u, result.exitCode) << result.output;
    }
    const std::vector<std::string> journal = env.Journal();
    EXPECT_THAT(journal, SizeIs(2 * kRepeatedWrites));
    EXPECT_THAT(journal, Each(MatchesRegex("acpi set 0x03010011 0x000000\\w\\w 2 ok")));
    // Both processes wrote each value once.
    std::vector<int> seen(kRepeatedWrites);
    for (const std::string& line : journal) {
        const unsigned long value = std::stoul(line.substr(22, 8), nullptr, 16);
        if (value < seen.size()) {
            ++seen[value];
        }
    }
    EXPECT_THAT(seen, Each(2));
}

TEST_F(KracpiDll, BrokenBoardGivesOneDebuggerLine) {
    const std::string board = env.WriteBoard("info 0x03000000\n\nitem 0x03010011 0 count=3001 colour=red\n");
    DebugOutputCapture capture;
    uint32_t v;
    EXPECT_EQ(0u, AcpiInitialize());
    EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    EXPECT_EQ(0u, AcpiSetValue(0x03010011, 1, 2));
    const std::string line = board + ":3: unknown option \"colour\"";
    EXPECT_THAT(DebugOutputCapture::Lines(), ElementsAre(line + "\n"));
    EXPECT_THAT(env.Journal(), ElementsAre(line, "acpi set 0x03010011 0x00000001 2 fail"));
}

// Without KORA_SIM_BOARD the DLL reads "board.txt" in its own folder, wherever it was
// loaded from; without that file too, every call fails.
TEST_F(KracpiDll, BoardBesideTheDll) {
    simtest::TempFolder folder;
    std::filesystem::copy_file(BinFolder() + "KRACPI.DLL", folder.Path("KRACPI.DLL"));
    folder.Write("board.txt", "item 0x03010011 42 count=3001\n");
    const HMODULE copy = LoadLibraryA(folder.Path("KRACPI.DLL").c_str());
    ASSERT_NE(nullptr, copy);
    ASSERT_NE(GetModuleHandleA((BinFolder() + "KRACPI.DLL").c_str()), copy) << "the loader reused the bin folder's DLL";
    const auto getValue = ByOrdinal<GetValueFn>(copy, 3);
    ASSERT_NE(nullptr, getValue);

    {
        simtest::ScopedEnv noBoard("KORA_SIM_BOARD", std::nullopt);
        uint32_t v = 0;
        EXPECT_EQ(1u, getValue(0x03010011, &v) & 1);
        EXPECT_EQ(42u, v);
        // The DLL in the bin folder has no board beside it.
        EXPECT_EQ(0u, AcpiGetValue(0x03010011, &v));
    }
    // KORA_SIM_BOARD wins over the board beside the DLL.
    env.WriteBoard("item 0x03010011 7 count=3001\n");
    uint32_t v = 0;
    EXPECT_EQ(1u, getValue(0x03010011, &v) & 1);
    EXPECT_EQ(7u, v);
    {
        simtest::ScopedEnv noBoard("KORA_SIM_BOARD", std::nullopt);
        std::filesystem::remove(folder.Path("board.txt"));
        EXPECT_EQ(0u, getValue(0x03010011, &v));
    }
    FreeLibrary(copy);
    // The missing default board is not a fault worth a line.
    EXPECT_THAT(env.Journal(), ElementsAre());
}
