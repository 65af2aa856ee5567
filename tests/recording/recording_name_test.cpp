#include "recording/recording_name.h"

#include <gtest/gtest.h>

namespace moksel {
namespace {

TEST(RecordingName, AcceptsOnlyFrontCameraNames) {
    EXPECT_TRUE(isFrontRecordingName("drf0_20120301_081500.mp4"));
    EXPECT_TRUE(isFrontRecordingName("evt0_20121231_235959.mp4"));
    EXPECT_TRUE(isFrontRecordingName("mod0_20120301_081500.mp4"));
    // The test looks only at length, "mp4" and three positions, not at the type.
    EXPECT_TRUE(isFrontRecordingName("abc0_xxxxxxxx_yyyyyymp4z"));

    EXPECT_FALSE(isFrontRecordingName("drf1_20120301_081500.mp4"));   // rear camera
    EXPECT_FALSE(isFrontRecordingName("drf0_20120301_081500.mp"));    // 23 characters
    EXPECT_FALSE(isFrontRecordingName("drf0_20120301_081500.mp4x"));  // 25 characters
    EXPECT_FALSE(isFrontRecordingName("drf0_20120301_081500.avi"));
    EXPECT_FALSE(isFrontRecordingName("drf0-20120301_081500.mp4"));
    EXPECT_FALSE(isFrontRecordingName("drf0_20120301-081500.mp4"));
    EXPECT_FALSE(isFrontRecordingName(""));
}

TEST(RecordingName, KindIsTheFirstMarkerInSearchOrder) {
    EXPECT_EQ(recordingKindOf("drf0_20120301_081500.mp4"), RecordingKind::Normal);
    EXPECT_EQ(recordingKindOf("evt0_20120301_081500.mp4"), RecordingKind::Event);
    EXPECT_EQ(recordingKindOf("mod0_20120301_081500.mp4"), RecordingKind::Motion);
    // "drf" is searched first anywhere in the name, so it wins over a leading "evt".
    EXPECT_EQ(recordingKindOf("evt0_drf01301_081500.mp4"), RecordingKind::Normal);
    EXPECT_EQ(recordingKindOf("xxx0_20120301_mod500.mp4"), RecordingKind::Motion);
    EXPECT_EQ(recordingKindOf("abc0_20120301_081500.mp4"), std::nullopt);
    EXPECT_STREQ(recordingKindText(RecordingKind::Event), "EVENT");
}

TEST(RecordingName, DateTextDropsTheCentury) {
    EXPECT_EQ(recordingDateText("drf0_20120301_081500.mp4"), "12.03.01 08:15:00");
    EXPECT_EQ(recordingDateText("evt0_19991231_235958.mp4"), "99.12.31 23:59:58");
    EXPECT_EQ(recordingDateText("short.mp4"), "");
}

TEST(RecordingName, StartTimeIsReadAndChecked) {
    auto start = recordingStartOf("drf0_20240229_235958.mp4");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->year, 2024);
    EXPECT_EQ(start->month, 2);
    EXPECT_EQ(start->day, 29);
    EXPECT_EQ(start->hour, 23);
    EXPECT_EQ(start->minute, 59);
    EXPECT_EQ(start->second, 58);
    EXPECT_FALSE(recordingStartOf("drf0_20230229_000000.mp4"));  // not a leap year
    EXPECT_FALSE(recordingStartOf("drf0_20121301_000000.mp4"));  // month 13
    EXPECT_FALSE(recordingStartOf("drf0_20120301_246000.mp4"));
    EXPECT_FALSE(recordingStartOf("drf0_2012x301_081500.mp4"));
}

TEST(RecordingPairing, EngineChangesTheFirstMarkerOnlyInPriorityOrder) {
    EXPECT_EQ(rearPathForFront("/sd/drf0_20120301_081500.mp4"), "/sd/drf1_20120301_081500.mp4");
    EXPECT_EQ(rearPathForFront("/sd/evt0_20120301_081500.mp4"), "/sd/evt1_20120301_081500.mp4");
    EXPECT_EQ(rearPathForFront("/sd/mod0_20120301_081500.mp4"), "/sd/mod1_20120301_081500.mp4");
    // A folder named like an event recording is changed instead of the normal file name.
    EXPECT_EQ(rearPathForFront("/sd/evt0_backup/drf0_20120301_081500.mp4"),
              "/sd/evt1_backup/drf0_20120301_081500.mp4");
    // Of two "drf0_" only the first changes.
    EXPECT_EQ(rearPathForFront("/drf0_x/drf0_20120301_081500.mp4"),
              "/drf1_x/drf0_20120301_081500.mp4");
    // No marker: the front file pairs with itself.
    EXPECT_EQ(rearPathForFront("/sd/clip0_20120301_081500.mp4"), "/sd/clip0_20120301_081500.mp4");
    EXPECT_EQ(rearPathForFront("/sd/drf1_20120301_081500.mp4"), "/sd/drf1_20120301_081500.mp4");
}

TEST(RecordingPairing, SaveChangesEveryOccurrenceOfTheFirstMarkerFound) {
    EXPECT_EQ(rearPathForSave("/drf0_x/drf0_20120301_081500.mp4"),
              "/drf1_x/drf1_20120301_081500.mp4");
    // "drf0_" is tested before "evt0_": the event folder keeps its name.
    EXPECT_EQ(rearPathForSave("/sd/evt0_backup/drf0_20120301_081500.mp4"),
              "/sd/evt0_backup/drf1_20120301_081500.mp4");
    EXPECT_EQ(rearPathForSave("/sd/mod0_a/evt0_20120301_081500.mp4"),
              "/sd/mod1_a/evt0_20120301_081500.mp4");
    EXPECT_EQ(rearPathForSave("/sd/clip_20120301.mp4"), "/sd/clip_20120301.mp4");
}

}  // namespace
}  // namespace moksel
