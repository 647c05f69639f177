// Profile files of the companion tool and the combined profile list.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "lumen/kora/TwOcItemProfile.h"

using kora::BuildCombinedProfileList;
using kora::FolderEntry;
using kora::tagTwOcItemValue;
using kora::TwOcItemProfile;

namespace {

class ProfileFile : public testing::Test {
protected:
    void SetUp() override {
        m_path = (std::filesystem::temp_directory_path() /
                  ("surgepad-oc-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + ".oc"))
                     .string();
    }
    void TearDown() override { std::remove(m_path.c_str()); }

    void Write(const std::vector<uint32_t>& words, size_t extraBytes = 0) {
        std::FILE* f = std::fopen(m_path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        for (uint32_t w : words) {
            const unsigned char b[4] = {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8),
                                        static_cast<unsigned char>(w >> 16), static_cast<unsigned char>(w >> 24)};
            std::fwrite(b, 1, 4, f);
        }
        for (size_t i = 0; i < extraBytes; ++i) {
            std::fputc(0x7F, f);
        }
        std::fclose(f);
    }

    std::string m_path;
};

}  // namespace

TEST_F(ProfileFile, RecordsComeBackInFileOrder) {
    Write({0xC0FFEE, 1, 3, 0x03010011, 10, 0x03010013, 42, 0x03010013, 44});
    TwOcItemProfile p;
    ASSERT_TRUE(p.Load(m_path));
    EXPECT_EQ(1u, p.Version());
    EXPECT_EQ((kora::OcValueList{{0x03010011, 10}, {0x03010013, 42}, {0x03010013, 44}}), p.Records());
}

TEST_F(ProfileFile, EmptyAndShortFiles) {
    Write({0, 0, 0});  // 12 bytes, N = 0
    TwOcItemProfile p;
    ASSERT_TRUE(p.Load(m_path));
    EXPECT_EQ(0u, p.Count());

    Write({0, 1, 3, 1, 2, 3, 4}, 5);  // N = 3, two whole records and a torn third
    ASSERT_TRUE(p.Load(m_path));
    EXPECT_EQ((kora::OcValueList{{1, 2}, {3, 4}}), p.Records());

    Write({0, 1}, 2);  // the count itself is torn
    EXPECT_FALSE(p.Load(m_path));
    Write({});
    EXPECT_FALSE(p.Load(m_path));
    EXPECT_FALSE(p.Load(m_path + ".missing"));
}

TEST_F(ProfileFile, VersionTwoIsRejectedEvenWithGoodRecords) {
    Write({0, 2, 1, 0x03010011, 5});
    TwOcItemProfile p;
    EXPECT_FALSE(p.Load(m_path));
    Write({0, 0, 1, 0x03010011, 5});
    EXPECT_TRUE(p.Load(m_path));
}

TEST_F(ProfileFile, HugeCountReservesOnlyWhatIsThere) {
    // 0xFFFFFFFF records promised, one present: under the sanitizers an allocation of
    // 32 GiB would fail the run.
    Write({0, 1, 0xFFFFFFFF, 0x03010011, 7});
    TwOcItemProfile p;
    ASSERT_TRUE(p.Load(m_path));
    EXPECT_EQ((kora::OcValueList{{0x03010011, 7}}), p.Records());
}

TEST_F(ProfileFile, MoreRecordsThanAnyFirmwareHasAreNoProfile) {
    struct Case {
        uint32_t count;  // promised
        uint32_t present;
        bool loads;
    };
    const Case cases[] = {
        {kora::kMaxProfileRecords, kora::kMaxProfileRecords, true},
        {kora::kMaxProfileRecords + 1, kora::kMaxProfileRecords + 1, false},
        {0xFFFFFFFF, kora::kMaxProfileRecords + 1, false},
        // A count beyond the limit with few records present: only those are read.
        {0xFFFFFFFF, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " promised, " << c.present << " present");
        std::vector<uint32_t> words = {0, 1, c.count};
        for (uint32_t i = 0; i < c.present; ++i) {
            words.push_back(0x03020012);
            words.push_back(i % 100);
        }
        Write(words);
        TwOcItemProfile p;
        EXPECT_EQ(c.loads, p.Load(m_path));
        EXPECT_EQ(c.loads ? c.present : 0u, p.Count());
    }
}

TEST(CombinedProfileList, FirmwareNamesThenFilesWithTheirSelection) {
    const std::vector<std::string> firmware = {"Stock+", "Extreme"};
    const std::vector<FolderEntry> entries = {
        {"Fast.OC", false}, {"notes.txt", false}, {"Archive.oc", true}, {"quiet.oc", false}, {"noext", false}};
    auto list = BuildCombinedProfileList(firmware, 2, "fast", entries);
    EXPECT_EQ((std::vector<std::string>{"Stock+", "Extreme", "Fast", "quiet"}), list.names);
    EXPECT_EQ(2, list.selected);

    // A firmware profile selected by its type wins over a matching file name.
    EXPECT_EQ(1, BuildCombinedProfileList(firmware, 1, "quiet", entries).selected);
    // A file name matched only when nothing was selected; no match: no selection.
    EXPECT_EQ(3, BuildCombinedProfileList(firmware, 7, "QUIET", entries).selected);
    EXPECT_EQ(-1, BuildCombinedProfileList(firmware, 7, "gone", entries).selected);
    // Names with several dots keep all but the last part.
    auto dotted = BuildCombinedProfileList({}, 0, "a.b", {{"a.b.oc", false}});
    EXPECT_EQ((std::vector<std::string>{"a.b"}), dotted.names);
    EXPECT_EQ(0, dotted.selected);
}
