#include <gtest/gtest.h>

#include <map>

#include "FakeTracePlatform.h"
#include "FolderWalk.h"
#include "ModuleState.h"

namespace {

using Names = std::vector<std::wstring>;

// A tree held in memory: folder path (with its "\") to what it shows.
class TreeReader : public FolderWalk::Reader {
public:
    std::map<std::wstring, FolderWalk::Listing> folders;
    bool askEachFile = false;  // as a large folder does, now and then

    bool Read(const std::wstring& folder, const FolderWalk::Keep& keep, const FolderWalk::GoOn& goOn,
              FolderWalk::Listing& out) override {
        auto found = folders.find(folder);
        if (found == folders.end()) return false;
        for (const auto& name : found->second.files) {
            if (askEachFile && !goOn()) return false;
            if (keep(name)) out.files.push_back(name);
        }
        out.folders = found->second.folders;
        return true;
    }
};

class Recorder : public FolderWalk::Progress {
public:
    Names seen;
    size_t stopAt = SIZE_MAX;  // the folder (counted from 0) at which the walk is stopped
    bool Reading(const std::wstring& folder) override {
        if (seen.size() == stopAt) return false;
        seen.push_back(folder);
        return true;
    }
};

const Names kListed{L"mp3", L"wav"};

class FolderWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseThreadState();
        FakeTrace::Reset();
    }
    bool Collect(const std::wstring& folder, General::Less less = General::OrdinalLess) {
        paths.clear();
        return FolderWalk::Collect(folder, kListed, less, tree, progress, paths);
    }
    TreeReader tree;
    Recorder progress;
    Names paths;
};

TEST_F(FolderWalkTest, OwnFilesFirstThenSubfoldersDepthFirstEachInOrder) {
    tree.folders[L"C:\\A\\"] = {{L"b.mp3", L"notes.txt", L"A.wav", L"a.MP3"}, {L"Disc 2", L"Disc 1", L"Empty", L"Only text", L"Live.mp3"}};
    tree.folders[L"C:\\A\\Disc 1\\"] = {{L"02.mp3", L"01.mp3"}, {L"Bonus"}};
    tree.folders[L"C:\\A\\Disc 1\\Bonus\\"] = {{L"x.mp3"}, {}};
    tree.folders[L"C:\\A\\Disc 2\\"] = {{L"01.mp3"}, {}};
    tree.folders[L"C:\\A\\Empty\\"] = {{}, {}};
    tree.folders[L"C:\\A\\Only text\\"] = {{L"readme.txt", L"cover.jpg"}, {}};
    // A folder named like a listed file is gone into, never listed.
    tree.folders[L"C:\\A\\Live.mp3\\"] = {{L"1.wav"}, {}};

    ASSERT_TRUE(Collect(L"C:\\A"));
    EXPECT_EQ(paths, (Names{L"C:\\A\\A.wav", L"C:\\A\\b.mp3", L"C:\\A\\Disc 1\\01.mp3", L"C:\\A\\Disc 1\\02.mp3",
                            L"C:\\A\\Disc 1\\Bonus\\x.mp3", L"C:\\A\\Disc 2\\01.mp3", L"C:\\A\\Live.mp3\\1.wav"}));
    // Each folder is announced before it is read, the one given first.
    EXPECT_EQ(progress.seen.front(), L"C:\\A\\");
    EXPECT_EQ(progress.seen.size(), 7u);
}

TEST_F(FolderWalkTest, OrderComesFromTheGivenComparison) {
    tree.folders[L"C:\\A\\"] = {{L"10 b.mp3", L"2 a.mp3"}, {L"b", L"A"}};
    tree.folders[L"C:\\A\\A\\"] = {{L"x.mp3"}, {}};
    tree.folders[L"C:\\A\\b\\"] = {{L"y.mp3"}, {}};
    // Longer names first: the reverse of the ordinal order here.
    auto longerFirst = [](const std::wstring& a, const std::wstring& b) {
        return a.size() != b.size() ? a.size() > b.size() : General::OrdinalLess(a, b);
    };
    ASSERT_TRUE(Collect(L"C:\\A\\", longerFirst));
    EXPECT_EQ(paths, (Names{L"C:\\A\\10 b.mp3", L"C:\\A\\2 a.mp3", L"C:\\A\\A\\x.mp3", L"C:\\A\\b\\y.mp3"}));
}

TEST_F(FolderWalkTest, StoppedWalkReportsItAndGoesNoFurther) {
    tree.folders[L"C:\\A\\"] = {{L"a.mp3"}, {L"1", L"2", L"3"}};
    for (const wchar_t* sub : {L"C:\\A\\1\\", L"C:\\A\\2\\", L"C:\\A\\3\\"}) tree.folders[sub] = {{L"t.mp3"}, {}};
    progress.stopAt = 2;
    EXPECT_FALSE(Collect(L"C:\\A"));
    EXPECT_EQ(progress.seen, (Names{L"C:\\A\\", L"C:\\A\\1\\"}));
    progress.seen.clear();
    progress.stopAt = 0;
    EXPECT_FALSE(Collect(L"C:\\A"));
    EXPECT_TRUE(paths.empty());
}

// Stopped while a folder is being read: not passed over as unreadable, the
// walk ends there.
TEST_F(FolderWalkTest, StopWhileAFolderIsReadEndsTheWalk) {
    tree.folders[L"C:\\A\\"] = {{L"a.mp3", L"b.mp3", L"c.mp3"}, {L"1"}};
    tree.folders[L"C:\\A\\1\\"] = {{L"t.mp3"}, {}};
    tree.askEachFile = true;
    progress.stopAt = 2;
    EXPECT_FALSE(Collect(L"C:\\A"));
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(progress.seen, (Names{L"C:\\A\\", L"C:\\A\\"}));
}

TEST_F(FolderWalkTest, UnreadableFolderIsPassedOver) {
    tree.folders[L"C:\\A\\"] = {{}, {L"gone", L"here"}};
    tree.folders[L"C:\\A\\here\\"] = {{L"a.mp3"}, {}};
    ASSERT_TRUE(Collect(L"C:\\A"));
    EXPECT_EQ(paths, Names{L"C:\\A\\here\\a.mp3"});
}

// A tree far deeper than a thread's stack could recurse through, each level
// named "d": C:\d\d\d\...
class DeepReader : public FolderWalk::Reader {
public:
    static constexpr size_t kLevels = 20000;
    bool Read(const std::wstring& folder, const FolderWalk::Keep&, const FolderWalk::GoOn&,
              FolderWalk::Listing& out) override {
        if ((folder.size() - 3) / 2 < kLevels) out.folders.push_back(L"d");
        else out.files.push_back(L"end.mp3");
        return true;
    }
};

TEST_F(FolderWalkTest, DeepTreeNeedsNoDeepStack) {
    DeepReader deep;
    struct : FolderWalk::Progress {
        bool Reading(const std::wstring&) override { return true; }
    } quiet;
    ASSERT_TRUE(FolderWalk::Collect(L"C:\\d", kListed, General::OrdinalLess, deep, quiet, paths));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].size(), 3 + 2 * DeepReader::kLevels + 7);
}

}  // namespace
