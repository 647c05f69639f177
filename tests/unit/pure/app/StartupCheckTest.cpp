// The quiet switch and the firmware priority check that run before any window.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "surgepad/app/StartupCheck.h"
#include "tests/unit/SimBoard.h"

namespace surgepad {
namespace {

bool Quiet(std::vector<const char*> args) {
    args.insert(args.begin(), "Surgepad.exe");
    return HasQuietSwitch(static_cast<int>(args.size()), args.data());
}

TEST(QuietSwitch, OnlyDashBInEitherCase) {
    EXPECT_TRUE(Quiet({"-b"}));
    EXPECT_TRUE(Quiet({"-B"}));
    EXPECT_TRUE(Quiet({"x", "-b"}));
    EXPECT_FALSE(Quiet({}));
    EXPECT_FALSE(Quiet({"/b"}));
    EXPECT_FALSE(Quiet({"/B"}));
    EXPECT_FALSE(Quiet({"b"}));
    EXPECT_FALSE(Quiet({"-bb"}));
    EXPECT_FALSE(Quiet({"--b"}));
    EXPECT_FALSE(Quiet({"-"}));
    EXPECT_FALSE(Quiet({""}));
}

TEST(QuietSwitch, ProgramNameIsNotAnArgument) {
    const char* args[] = {"-b"};
    EXPECT_FALSE(HasQuietSwitch(1, args));
}

bool Release(std::vector<const char*> args) {
    args.insert(args.begin(), "Surgepad.exe");
    return HasReleaseSwitch(static_cast<int>(args.size()), args.data());
}

TEST(ReleaseSwitch, OnlyDashReleaseInAnyCaseAndTheQuietSwitchKeepsItsMeaning) {
    const struct {
        std::vector<const char*> args;
        bool release;
        bool quiet;
    } cases[] = {
        {{"-release"}, true, false},
        {{"-RELEASE"}, true, false},
        {{"-Release"}, true, false},
        {{"x", "-release"}, true, false},
        {{"-b", "-release"}, true, true},
        {{"-release", "-B"}, true, true},
        {{}, false, false},
        {{"/release"}, false, false},
        {{"release"}, false, false},
        {{"--release"}, false, false},
        {{"-releases"}, false, false},
        {{"-releas"}, false, false},
        {{"-release "}, false, false},
        {{"-"}, false, false},
        {{"-b"}, false, true},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const char* a : c.args) {
            line += std::string(" [") + a + "]";
        }
        EXPECT_EQ(Release(c.args), c.release) << line;
        EXPECT_EQ(Quiet(c.args), c.quiet) << line;
    }
}

TEST(ReleaseSwitch, ProgramNameIsNotAnArgument) {
    const char* args[] = {"-release"};
    EXPECT_FALSE(HasReleaseSwitch(1, args));
}

// A firmware whose items, values and read failures the test chooses; it records
// the order of the calls.
struct FakeFirmware {
    std::map<uint32_t, uint32_t> values;
    std::vector<uint32_t> unreadable;
    std::vector<std::string> calls;
};
FakeFirmware* g_fake = nullptr;

FirmwareAccess Access(FakeFirmware& fake) {
    g_fake = &fake;
    return FirmwareAccess{
        [] { g_fake->calls.push_back("init"); },
        [](uint32_t id) {
            g_fake->calls.push_back("supported " + std::to_string(id));
            return g_fake->values.count(id) != 0;
        },
        [](uint32_t id, uint32_t* value) {
            g_fake->calls.push_back("read " + std::to_string(id));
            for (uint32_t u : g_fake->unreadable) {
                if (u == id) {
                    return false;
                }
            }
            *value = g_fake->values.at(id);
            return true;
        },
    };
}

TEST(FirmwarePriority, BlockedOnlyWithBit2InBothItems) {
    FakeFirmware fake;
    fake.values = {{kPriorityItemA, 0x7}, {kPriorityItemB, 0x6}};
    EXPECT_TRUE(OtherVendorHasPriority(Access(fake)));
    const std::vector<std::string> expected = {"init", "supported 393224", "supported 393225", "read 393224",
                                               "read 393225"};
    EXPECT_EQ(fake.calls, expected);
}

TEST(FirmwarePriority, AnyFailureMeansNotBlockedAndStopsThere) {
    struct Case {
        const char* name;
        std::map<uint32_t, uint32_t> values;
        std::vector<uint32_t> unreadable;
        size_t calls;
    };
    const Case cases[] = {
        {"no items", {}, {}, 2},
        {"second item absent", {{kPriorityItemA, 4}}, {}, 3},
        {"first item absent", {{kPriorityItemB, 4}}, {}, 2},
        {"first read fails", {{kPriorityItemA, 4}, {kPriorityItemB, 4}}, {kPriorityItemA}, 4},
        {"first bit clear", {{kPriorityItemA, 3}, {kPriorityItemB, 4}}, {}, 4},
        {"second read fails", {{kPriorityItemA, 4}, {kPriorityItemB, 4}}, {kPriorityItemB}, 5},
        {"second bit clear", {{kPriorityItemA, 4}, {kPriorityItemB, 0xFB}}, {}, 5},
    };
    for (const Case& c : cases) {
        FakeFirmware fake;
        fake.values = c.values;
        fake.unreadable = c.unreadable;
        EXPECT_FALSE(OtherVendorHasPriority(Access(fake))) << c.name;
        EXPECT_EQ(fake.calls.size(), c.calls) << c.name;
    }
}

// The same check against the ACPI/BIOS stand-in, through the program's binding.
TEST(FirmwarePriority, LibraryBindingReadsBothItems) {
    const char* items =
        "info 0x00000001 0 0 0x03000000\n"
        "item 0x00060008 0x00000007 attr=0x40000000\n";
    {
        testutil::SimBoard board(std::string(items) + "item 0x00060009 0x00000004 attr=0x40000000\n");
        EXPECT_TRUE(OtherVendorHasPriority(LibraryFirmware()));
    }
    {
        testutil::SimBoard board(std::string(items) + "item 0x00060009 0x00000003 attr=0x40000000\n");
        EXPECT_FALSE(OtherVendorHasPriority(LibraryFirmware()));
    }
    {
        testutil::SimBoard board(std::string(items) + "item 0x00060009 0x00000004 attr=0x40000000 noread\n");
        EXPECT_FALSE(OtherVendorHasPriority(LibraryFirmware()));
    }
    {
        testutil::SimBoard board(items);
        EXPECT_FALSE(OtherVendorHasPriority(LibraryFirmware()));
    }
    {
        testutil::SimBoard board("");
        EXPECT_FALSE(OtherVendorHasPriority(LibraryFirmware()));
    }
}

}  // namespace
}  // namespace surgepad
