// Drives from recording names: which recordings belong together and which one follows which.
#include <gtest/gtest.h>

#include <QApplication>

#include "library/drive_grouping.h"
#include "library/recording_list.h"
#include "list_fixtures.h"

namespace moksel {
namespace {

DriveGrouping group(const std::vector<std::string>& names, const std::vector<std::int64_t>& durations = {}) {
    std::vector<DriveRecording> recordings;
    for (size_t i = 0; i < names.size(); ++i) {
        recordings.push_back({names[i], i < durations.size() ? durations[i] : -1});
    }
    return groupDrives(recordings);
}

TEST(DriveGrouping, GapsAndMidnightAndUnknownDurations) {
    // Listed out of order on purpose: one-minute recordings across midnight, a break of two
    // minutes, a recording a few seconds late, and a name without a date.
    const std::vector<std::string> names = {
        "drf0_20261209_000000.mp4",  // 0: after midnight, continues 3
        "drf0_20261208_235800.mp4",  // 1: drive A starts
        "drf0_20261208_235900.mp4",  // 2
        "drf0_20261209_000104.mp4",  // 3: 0 ends 00:01:00, this starts 4 s later: joins
        "drf0_20261209_000400.mp4",  // 4: two minutes' break: drive B
        "drf0_2026120x_000500.mp4",  // 5: no valid date: alone
        "drf0_20261209_000507.mp4",  // 6: 7 s after 4's end (00:05:00): drive C
    };
    const DriveGrouping g = group(names);
    ASSERT_EQ(g.drives.size(), 4u);
    EXPECT_EQ(g.drives[0], (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(g.drives[1], (std::vector<int>{4}));
    EXPECT_EQ(g.drives[2], (std::vector<int>{6}));
    EXPECT_EQ(g.drives[3], (std::vector<int>{5}));
    EXPECT_EQ(g.places[2].next, 0);
    EXPECT_EQ(g.places[0].previous, 2);
    EXPECT_EQ(g.places[0].next, 3);
    EXPECT_EQ(g.places[1].previous, -1);
    EXPECT_EQ(g.places[3].next, -1);
    EXPECT_EQ(g.places[5].next, -1);
    EXPECT_EQ(g.places[0].startMs - g.places[2].startMs, 60'000);

    // A known short duration breaks a chain that the nominal interval would have joined: the
    // recording at 23:59 stopped after 20 s, so the one at 00:00 begins a new drive.
    const DriveGrouping known = group(names, {-1, -1, 20'000});
    EXPECT_NE(known.places[2].drive, known.places[0].drive);
    EXPECT_EQ(known.places[1].next, 2);
}

TEST(DriveGrouping, NominalIntervalComesFromTheListsOwnGaps) {
    // Three-minute recordings: the chain holds with gaps of 180 s that a one-minute guess
    // would cut into three drives.
    const DriveGrouping g = group({"drf0_20261208_100000.mp4", "drf0_20261208_100300.mp4",
                                   "drf0_20261208_100600.mp4", "drf0_20261208_101000.mp4"});
    ASSERT_EQ(g.drives.size(), 2u);
    EXPECT_EQ(g.drives[0], (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(g.places[2].endMs - g.places[2].startMs, 180'000);
    EXPECT_EQ(nominalIntervalMs({}), kDefaultNominalIntervalMs);
    EXPECT_EQ(nominalIntervalMs({0, 1000, 2000}), kDefaultNominalIntervalMs);  // gaps too short
}

TEST(DriveGrouping, EventAndMotionRecordingsJoinTheDriveTheyFallInWithoutBreakingItsChain) {
    const std::vector<std::string> names = {
        "drf0_20261208_100000.mp4",  // 0
        "evt0_20261208_100030.mp4",  // 1: a shock inside 0, 20 s long
        "drf0_20261208_100100.mp4",  // 2
        "evt0_20261208_100157.mp4",  // 3: starts 3 s before 2 ends, as 4 begins
        "drf0_20261208_100200.mp4",  // 4
        "mod0_20261208_120000.mp4",  // 5: parked two hours later, in no drive
        "mod0_20261208_120100.mp4",  // 6: motion recordings chain among themselves
        "evt0_20261208_100300.mp4",  // 7: the camera moved the segment after 4 into an event file
        "drf0_20261208_100400.mp4",  // 8: ...and goes on after it
    };
    const DriveGrouping g = group(names, {-1, 20'000});
    ASSERT_EQ(g.drives.size(), 2u);
    EXPECT_EQ(g.drives[0], (std::vector<int>{0, 1, 2, 3, 4, 7, 8}));
    EXPECT_EQ(g.drives[1], (std::vector<int>{5, 6}));
    // The chain runs through normal recordings; the event recording fills the hole after 4.
    EXPECT_EQ(g.places[0].next, 2);
    EXPECT_EQ(g.places[2].next, 4);
    EXPECT_EQ(g.places[4].previous, 2);
    EXPECT_EQ(g.places[4].next, 7);
    EXPECT_EQ(g.places[7].next, 8);
    EXPECT_EQ(g.places[8].previous, 7);
    EXPECT_EQ(g.places[1].next, 2);  // after the shock, playback goes on with the drive
    EXPECT_EQ(g.places[5].next, 6);
}

TEST(DriveGrouping, TwoCamerasFilesNeverShareADrive) {
    const DriveGrouping g = group({"drf0_20261208_100000.mp4", "drf1_20261208_100000.mp4",
                                   "drf0_20261208_100100.mp4", "drf1_20261208_100100.mp4"});
    ASSERT_EQ(g.drives.size(), 2u);
    EXPECT_EQ(g.places[0].drive, g.places[2].drive);
    EXPECT_EQ(g.places[1].drive, g.places[3].drive);
    EXPECT_NE(g.places[0].drive, g.places[1].drive);
    EXPECT_EQ(g.places[0].next, 2);
    EXPECT_EQ(g.places[1].next, 3);
}

TEST(DriveGrouping, TheListKnowsDrivesAfterSortsAndRemovalsAndPlaysAnEntry) {
    testing::RecordingTree tree;
    testing::FakeMainWindow window;
    RecordingList list;
    list.setMainWindow(&window);
    list.openFiles({tree.file("b/drf0_20261208_100100.mp4"), tree.file("a/drf0_20261208_100000.mp4"),
                    tree.file("b/drf0_20261208_110000.mp4")});
    EXPECT_EQ(list.nextInDrive(1), 0);
    EXPECT_EQ(list.driveMembers(list.driveOf(0)), (std::vector<int>{1, 0}));
    list.SortList(RecordingList::SortColumn::Date, RecordingList::kDescending);
    // Indexes follow the new order: 11:00, 10:01, 10:00.
    EXPECT_EQ(list.nextInDrive(2), 1);
    EXPECT_EQ(list.previousInDrive(1), 2);
    EXPECT_EQ(list.driveOf(0) == list.driveOf(1), false);
    EXPECT_EQ(list.indexOfPath(tree.path("a/drf0_20261208_100000.mp4")), 2);
    list.noteDuration(tree.path("a/drf0_20261208_100000.mp4"), 30'000);  // stopped early
    EXPECT_EQ(list.nextInDrive(2), -1);
    list.RemoveDrive(tree.path("a"));
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.previousInDrive(1), -1);

    list.play(1);
    EXPECT_EQ(list.selection(), 1);
    EXPECT_EQ(list.selectedPath(), tree.path("b/drf0_20261208_100100.mp4"));
    EXPECT_EQ(window.count(UM_CMD_PLAY), 1);
    list.play(7);  // outside the list
    EXPECT_EQ(window.count(UM_CMD_PLAY), 1);
}

}  // namespace
}  // namespace moksel
