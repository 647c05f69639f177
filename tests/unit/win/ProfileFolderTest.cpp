// The profile folder: where it is, what a listing of it yields, and the combined list
// the settings window shows.
#include <windows.h>

#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lumen/fileutl/WinFileFind.h"
#include "lumen/kora/ProfileFolder.h"
#include "tests/unit/win/DormixTestSupport.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

// A scratch folder whose sub-folders go with it.
class ProfileScratch {
public:
    ProfileScratch() : m_folder("profiles") {}
    ~ProfileScratch() {
        for (const std::string& sub : m_subfolders) {
            RemoveDirectoryA((m_folder / sub).c_str());
        }
    }
    void File(const std::string& name) { EXPECT_TRUE(testutil::WriteText(m_folder / name, "x")); }
    void Folder(const std::string& name) {
        EXPECT_TRUE(CreateDirectoryA((m_folder / name).c_str(), nullptr));
        m_subfolders.push_back(name);
    }
    const std::string& Path() const { return m_folder.Path(); }

private:
    testutil::ScratchFolder m_folder;
    std::vector<std::string> m_subfolders;
};

std::vector<std::string> Names(const std::vector<lumen::FoundEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) {
        names.push_back(e.name + (e.IsDirectory() ? "\\" : ""));
    }
    return names;
}

TEST(WinFileFind, ListsFilesAndFoldersWithoutDescendingOrDots) {
    ProfileScratch scratch;
    scratch.File("a.oc");
    scratch.File("b.txt");
    scratch.Folder("sub.oc");
    EXPECT_TRUE(testutil::WriteText(scratch.Path() + "sub.oc\\inner.oc", "x"));
    const auto entries = lumen::ListFolder(scratch.Path());
    EXPECT_THAT(Names(entries), UnorderedElementsAre("a.oc", "b.txt", "sub.oc\\"));
    // The folder without its trailing backslash lists the same.
    std::string bare = scratch.Path();
    bare.pop_back();
    EXPECT_EQ(entries.size(), lumen::ListFolder(bare).size());
    DeleteFileA((scratch.Path() + "sub.oc\\inner.oc").c_str());
}

TEST(WinFileFind, MissingAndEmptyFoldersListNothing) {
    EXPECT_THAT(lumen::ListFolder("C:\\surgepad-no-such-folder\\"), IsEmpty());
    ProfileScratch empty;
    EXPECT_THAT(lumen::ListFolder(empty.Path()), IsEmpty());
    lumen::WinFileFind find;
    EXPECT_FALSE(find.Open(empty.Path()));
    EXPECT_FALSE(find.IsOpen());
    EXPECT_FALSE(find.Next());
}

TEST(WinFileFind, WalksEntryByEntryAndClosesAtTheEnd) {
    ProfileScratch scratch;
    scratch.File("one.oc");
    scratch.File("two.oc");
    lumen::WinFileFind find;
    ASSERT_TRUE(find.Open(scratch.Path()));
    std::vector<std::string> seen{find.Current().name};
    while (find.Next()) {
        seen.push_back(find.Current().name);
    }
    EXPECT_FALSE(find.IsOpen());
    EXPECT_THAT(seen, UnorderedElementsAre("one.oc", "two.oc"));
    // Open again after the end: a second, complete walk.
    ASSERT_TRUE(find.Open(scratch.Path()));
    EXPECT_TRUE(find.Next());
    EXPECT_FALSE(find.Next());
}

// ---------------------------------------------------------------------------------------

TEST(ProfileFolder, ListsProfileFilesWhateverTheCaseOfTheirExtensionAndSkipsFolders) {
    ProfileScratch scratch;
    scratch.File("Fast.OC");
    scratch.File("quiet.oC");
    scratch.File("notes.txt");
    scratch.File("backup.oc.bak");
    scratch.File("noextension");
    scratch.File(".oc");  // a profile with an empty name, as an empty ProfileName selects
    scratch.Folder("Folder.oc");
    scratch.Folder("Deep");
    EXPECT_TRUE(testutil::WriteText(scratch.Path() + "Deep\\inside.oc", "x"));

    const kora::CombinedProfileList list = kora::ListProfiles({"Game Boost", "Silent OC"}, 2, "fast", scratch.Path());
    ASSERT_GE(list.names.size(), 2u);
    EXPECT_EQ("Game Boost", list.names[0]);
    EXPECT_EQ("Silent OC", list.names[1]);
    const std::vector<std::string> files(list.names.begin() + 2, list.names.end());
    EXPECT_THAT(files, UnorderedElementsAre("Fast", "quiet", ""));
    // "fast" finds Fast.OC again, at the place the file took in the list.
    ASSERT_GE(list.selected, 2);
    EXPECT_EQ("Fast", list.names[static_cast<size_t>(list.selected)]);
    DeleteFileA((scratch.Path() + "Deep\\inside.oc").c_str());
}

TEST(ProfileFolder, SelectionFollowsTheProfileTypeAndName) {
    ProfileScratch scratch;
    scratch.File("a.oc");
    const std::vector<std::string> firmware = {"Game Boost", "Silent OC"};
    // Below the firmware count: that firmware profile, whatever the name says.
    EXPECT_EQ(1, kora::ListProfiles(firmware, 1, "a", scratch.Path()).selected);
    // A file chosen but gone: nothing selected.
    EXPECT_EQ(-1, kora::ListProfiles(firmware, 2, "gone", scratch.Path()).selected);
    EXPECT_EQ(2, kora::ListProfiles(firmware, 7, "A", scratch.Path()).selected);
    // A folder that cannot be listed yields the firmware names alone.
    const auto missing = kora::ListProfiles(firmware, 2, "a", "C:\\surgepad-no-such-folder\\");
    EXPECT_EQ(firmware, missing.names);
    EXPECT_EQ(-1, missing.selected);
}

TEST(ProfileFolder, LivesUnderTheCommonApplicationDataFolderAndIsMadeWhenMissing) {
    char common[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)));
    const std::string expected = std::string(common) + "\\KORA OC Profiles\\";
    // Gone (when empty), then made again.
    RemoveDirectoryA(expected.c_str());
    const std::string folder = kora::GetProfileFolder();
    EXPECT_EQ(expected, folder);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder + "Fast.oc", kora::ProfileFilePath(folder, "Fast"));
    EXPECT_EQ(folder + ".oc", kora::ProfileFilePath(folder, ""));
}

}  // namespace
