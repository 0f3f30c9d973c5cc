// The ordered walk on its own: what it costs, where it stops and how fast its readers grow.
// Its order, failures and read-ahead are proved through the listing in tests/listing.
#include "ordered_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/injected_calls.h"
#include "support/test_support.h"

namespace tolvane {
namespace {

using Names = std::vector<std::string>;

Names namesOf(const WalkFolder& folder) {
    Names names;
    for (const FolderEntry& entry : folder.entries.entries) {
        names.emplace_back(folder.entries.nameOf(entry));
    }
    return names;
}

// A walk queries every entry once when it reads its folder, "." and ".." not at all, and
// hands over each entry with the facts a listing line shows.
TEST(OrderedWalkTest, EveryEntryIsQueriedOnceWhenItsFolderIsRead) {
    testing::TemporaryFolder temp;
    for (int i = 0; i < 20; ++i) {
        temp.file("f" + std::to_string(i) + ".txt", static_cast<std::size_t>(i));
    }
    temp.file("sub1/x");
    temp.folder("sub2");
    WalkOptions sequential;
    sequential.readAheadThreads = 0;
    OrderedWalk walk(temp.str(), true, sequential);
    WalkFolder folder;
    ASSERT_TRUE(walk.next(folder));
    EXPECT_EQ(folder.path, temp.str());
    EXPECT_EQ(folder.entries.entries.size(), 24u);
    EXPECT_EQ(walk.statCalls(), 22u);
    ASSERT_TRUE(walk.next(folder));
    EXPECT_EQ(folder.path, temp.str() + "/sub2");  // the last one found first
    ASSERT_TRUE(walk.next(folder));
    EXPECT_EQ(namesOf(folder), (Names{".", "..", "x"}));
    EXPECT_FALSE(walk.next(folder));
    EXPECT_EQ(walk.statCalls(), 23u);
}

// /proc is a file system of its own on every Linux system: a walk of "/" neither enters it
// nor lists it, and a walk started inside it lists it.
TEST(OrderedWalkTest, AWalkNeverCrossesIntoAnotherMountedFileSystem) {
    WalkFolder root;
    ASSERT_TRUE(OrderedWalk("/", false, WalkOptions{}).next(root));
    bool procEntered = false;
    bool etcEntered = false;
    for (const FolderEntry& entry : root.entries.entries) {
        const std::string name(root.entries.nameOf(entry));
        procEntered |= name == "proc" && OrderedWalk::isSubfolder(root.entries, entry);
        etcEntered |= name == "etc" && OrderedWalk::isSubfolder(root.entries, entry);
        if (name == "proc") {
            EXPECT_EQ(entry.kind, EntryKind::FolderOnOtherVolume);
        }
    }
    EXPECT_FALSE(procEntered);
    EXPECT_TRUE(etcEntered);
    WalkFolder inside;
    ASSERT_TRUE(OrderedWalk("/proc", false, WalkOptions{}).next(inside));
    const Names inProc = namesOf(inside);
    EXPECT_NE(std::find(inProc.begin(), inProc.end(), "sys"), inProc.end());
}

// While the walk waits for a folder another thread reads, helping to query its slices (a
// large folder on a share), its caller still has the time every kHookEvery: a Stop is seen
// within tens of milliseconds, not when the folder is done.
TEST(OrderedWalkTest, TheCallerHasTheTimeWhileTheWalkHelpsWithAFolderReadElsewhere) {
    testing::TemporaryFolder temp;
    for (int i = 0; i < 1000; ++i) {
        temp.file("slow/f" + std::to_string(i));
    }
    testing::InjectedCalls calls;
    calls.queryDelayUs = 2000;
    OrderedWalk walk(temp.str(), true, WalkOptions{});
    WalkFolder folder;
    ASSERT_TRUE(walk.next(folder));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a reader takes "slow"
    int hooks = 0;
    walk.setWaitHook([&hooks] { return ++hooks < 4; });
    EXPECT_FALSE(walk.next(folder));
    EXPECT_LT(calls.queries.load(), 500u);
}

// Readings that wait let more threads read at once as soon as they are seen to wait, not
// when they end: a cold disk's first folders are the slowest, and threads held back for as
// long as the first of them takes cost the most. Each query here waits a little, as on a
// slow disk, too little for round trips, whose folders are shared out in slices.
TEST(OrderedWalkTest, MoreThreadsReadOnceTheFirstReadingIsSeenToWait) {
    testing::TemporaryFolder temp;
    constexpr std::size_t kFolders = 6;
    constexpr std::size_t kFiles = 200;
    for (std::size_t i = 0; i < kFolders * kFiles; ++i) {
        temp.file("d" + std::to_string(i % kFolders) + "/f" + std::to_string(i));
    }
    testing::InjectedCalls calls;
    calls.queryDelayUs = 40;
    OrderedWalk walk(temp.str(), true, WalkOptions{});
    WalkFolder folder;
    ASSERT_TRUE(walk.next(folder));  // the folders found; one thread goes on to the first
    std::size_t most = 0;
    while (calls.queries < kFolders + kFiles) {  // no folder can be done yet
        most = std::max(most, calls.queriesNow.load());
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    EXPECT_GE(most, 3u);
}
}  // namespace
}  // namespace tolvane
