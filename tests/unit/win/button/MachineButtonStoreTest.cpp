// The machine-wide record on the prefix's file system: each account writes a file of its
// own and reads everyone's; nothing another hand put in the folder is followed, written
// through or taken; and no read or write waits without bound.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lumen/core/Handle.h"
#include "lumen/system/BoundedCall.h"
#include "surgepad/button/MachineButtonStore.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using surgepad::AccountButtonRecord;
using surgepad::MachineButtonStore;

// A file of the user's that happens to read as a record: a second name of it must not
// pass for one.
const char kPrecious[] = "turn 7\nholds 1\nend\n";

AccountButtonRecord Record(bool holds, uint32_t action) {
    AccountButtonRecord record;
    record.holds = holds;
    record.saved = std::make_pair(action, 0u);
    record.schemes = {{"{381B4222-F694-41F0-9685-FF5BB260DF2E}", action}};
    return record;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] != '.') {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

TEST(MachineButtonStore, EachAccountWritesItsOwnRecordAndReadsEveryOnes) {
    testutil::ScratchFolder scratch("machine");
    const std::string folder = scratch / "KORA\\Surgepad\\";
    const MachineButtonStore store(folder);
    EXPECT_FALSE(store.Read()) << "no record yet";
    ASSERT_TRUE(store.Write("AAAA-1", Record(true, 4)));
    ASSERT_TRUE(store.Write("BBBB-2", Record(false, 2)));
    EXPECT_EQ((std::vector<std::string>{"PowerButton-AAAA-1.txt", "PowerButton-BBBB-2.txt"}), Names(folder))
        << "the folder is made, and no new file is left behind";
    const auto merged = store.Read();
    ASSERT_TRUE(merged);
    EXPECT_EQ("", merged->holder) << "the newest record, B's, holds nothing";
    EXPECT_EQ(std::vector<std::string>{"AAAA-1"}, merged->holding);
    EXPECT_EQ(2u, merged->turn) << "each record takes the turn after the newest";
    EXPECT_EQ(std::make_pair(2u, 0u), *merged->saved);
    EXPECT_FALSE(store.Write("a b", Record(true, 1))) << "no account id: no file name";
}

// What another account may have put in the folder (this prefix's accounts are one user,
// so its hand is the test's): a folder, a second name of the user's own file, a file too
// large for a record, a name that is no account's, text that is no record.
TEST(MachineButtonStore, WhatAnotherHandPutThereIsNeitherFollowedNorTaken) {
    testutil::ScratchFolder scratch("machine");
    const std::string folder = scratch / "Surgepad\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string precious = scratch / "precious.txt";
    ASSERT_TRUE(testutil::WriteText(precious, kPrecious));
    ASSERT_TRUE(CreateDirectoryA((folder + "PowerButton-DDDD.txt").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkA((folder + "PowerButton-LLLL.txt").c_str(), precious.c_str(), nullptr));
    ASSERT_TRUE(testutil::WriteText(folder + "PowerButton-BIG.txt", std::string(20000, '#')));
    ASSERT_TRUE(testutil::WriteText(folder + "PowerButton-a b.txt", "turn 9\nholds 1\nend\n"));
    ASSERT_TRUE(testutil::WriteText(folder + "PowerButton-JUNK.txt", "turn 9\nholds 1\nsaved 3 0\n"));
    ASSERT_TRUE(testutil::WriteText(folder + "PowerButton-OK.txt", "turn 3\nsaved 1 0\nholds 1\nend\n"));
    const MachineButtonStore store(folder);

    auto merged = store.Read();
    ASSERT_TRUE(merged);
    EXPECT_EQ(std::vector<std::string>{"OK"}, merged->holding) << "only the whole record of a plain file counts";
    EXPECT_EQ(3u, merged->turn);

    EXPECT_FALSE(store.Write("DDDD", Record(true, 1))) << "a folder is never replaced";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "PowerButton-DDDD.txt").c_str()));
    ASSERT_TRUE(store.Write("LLLL", Record(true, 4)));
    EXPECT_EQ(kPrecious, testutil::ReadText(precious)) << "written through the second name";
    merged = store.Read();
    EXPECT_EQ("LLLL", merged->holder);
    EXPECT_EQ(4u, merged->turn);
    for (const std::string& name : Names(folder)) {
        EXPECT_EQ(std::string::npos, name.find(".new")) << name << " left behind";
    }
}

TEST(BoundedCall, WorkThatHangsIsLeftAloneAndNothingQueuesBehindIt) {
    const lumen::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    auto ran = std::make_shared<int>(0);
    HANDLE event = release.get();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(lumen::RunWithin(
        [event, ran] {
            WaitForSingleObject(event, 10000);
            ++*ran;
        },
        100));
    EXPECT_FALSE(lumen::RunWithin([ran] { *ran += 10; }, 5000)) << "refused while the hung work runs";
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(5)) << "the second call waited for the first";
    SetEvent(event);
    bool free = false;
    for (int i = 0; i < 250 && !free; ++i) {
        free = lumen::RunWithin([ran] { *ran += 100; }, 5000);
        Sleep(free ? 0 : 20);
    }
    EXPECT_TRUE(free) << "the worker is taken again once the hung work has ended";
    EXPECT_EQ(101, *ran) << "the hung work ended on its own; the refused one never ran";
}

}  // namespace
