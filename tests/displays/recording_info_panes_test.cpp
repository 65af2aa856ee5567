// The recording information strip and the file name field: empty before a recording, the last
// reported position and the recording's kind in its colour while one plays or is paused, the
// name of the recording opened last.
#include <gtest/gtest.h>

#include "display_test_support.h"
#include "displays/recording_info_panes.h"
#include "platform/window_messages.h"

namespace moksel {
namespace {

const QRect kKindField(360, 7, 80, 16);

struct PlayState {
    ~PlayState() {
        playbackState.uiState = Stopped;
        playbackState.lastLongitude = 0.0;
        playbackState.lastLatitude = 0.0;
    }
};

TEST(RecordingInfo, PositionAndKindOnlyWhilePlayingOrPaused) {
    PlayState restore;
    ParentWindow parent;
    auto* info = placePane<OstrelFileInfo>(parent, {102, 608});
    EXPECT_EQ(picture(info), skinPicture(229));  // three empty frames
    EXPECT_EQ(info->send(UM_RECORDING_KIND, 1, 0), 0);
    playbackState.lastLongitude = 127.5;
    EXPECT_EQ(picture(info), skinPicture(229));  // stopped: still empty

    playbackState.lastLatitude = 37.566535;
    playbackState.uiState = Playing;
    info->send(UM_RECORDING_KIND, 0, 0);
    QImage shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"127.500000", "37.566535", "NORMAL"}));
    EXPECT_TRUE(hasInk(shown, QRect(49, 7, 100, 16), QColor(0, 255, 0)));
    EXPECT_TRUE(hasInk(shown, kKindField, QColor(0, 255, 0)));

    info->send(UM_RECORDING_KIND, 1, 0);
    playbackState.lastLongitude = -0.1278;
    playbackState.lastLatitude = -33.8688;
    playbackState.uiState = Paused;
    shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"-0.127800", "-33.868800", "EVENT"}));
    EXPECT_TRUE(hasInk(shown, kKindField, QColor(255, 0, 0)));
    EXPECT_FALSE(hasInk(shown, kKindField, QColor(0, 255, 0)));

    for (int kind : {2, 7, -1}) {
        info->send(UM_RECORDING_KIND, static_cast<WParam>(kind), 0);
        shown = picture(info);
        EXPECT_EQ(info->shownTexts().value(2), "MOTION") << kind;
        EXPECT_TRUE(hasInk(shown, kKindField, QColor(0, 174, 239))) << kind;
    }
    // A closed recording's position is not the next one's: until a record is reported, and for
    // a record without a fix, the fields say there is none.
    info->setPositionReported(false);
    picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"GPS 없음", "", "MOTION"}));
    info->setPositionReported(true);
    playbackState.lastLongitude = 0.0;
    playbackState.lastLatitude = 0.0;
    picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"GPS 없음", "", "MOTION"}));
    // A file without the camera's name has no recording type to show.
    info->send(UM_RECORDING_KIND, static_cast<WParam>(kUnknownRecordingKind), 0);
    shown = picture(info);
    EXPECT_EQ(info->shownTexts().value(2), "UNKNOWN");
    EXPECT_FALSE(hasInk(shown, kKindField, QColor(0, 174, 239)));
    playbackState.uiState = Stopped;
    EXPECT_EQ(picture(info), skinPicture(229));
}

TEST(FileNameField, ShowsTheNameOfTheRecordingOpenedLast) {
    ParentWindow parent;
    QString current;
    auto* name = placePane<OstrelShowFileName>(parent, {228, 44}, [&current] { return current; });
    EXPECT_EQ(name->size(), QSize(189, 17));
    EXPECT_EQ(picture(name), skinPicture(154));

    current = QStringLiteral("evt0_20240307_081500.mp4");
    const QImage shown = picture(name);
    EXPECT_EQ(name->shownName(), current);
    EXPECT_TRUE(hasInk(shown, QRect(13, 2, 176, 15), QColor(222, 222, 222)));
    EXPECT_EQ(shown.copy(0, 0, 12, 17), skinPicture(154).copy(0, 0, 12, 17));
    current.clear();
    EXPECT_EQ(picture(name), skinPicture(154));
}

}  // namespace
}  // namespace moksel
