// The recording information strip and the file name field: empty before a recording, the last
// reported position and the recording's kind in its colour while one plays or is paused, the
// name of the recording opened last.
#include <gtest/gtest.h>

#include <QTest>

#include "display_test_support.h"
#include "displays/recording_info_panes.h"
#include "mainwindow/messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

class RecordingInfo : public ::testing::Test {
protected:
    void SetUp() override {
        playbackState.uiState = Stopped;
        playbackState.lastLongitude = 0.0;
        playbackState.lastLatitude = 0.0;
        info = placePane<OstrelFileInfo>(parent, {102, 608});
    }
    void TearDown() override {
        playbackState.uiState = Stopped;
        playbackState.lastLongitude = 0.0;
        playbackState.lastLatitude = 0.0;
    }
    ParentWindow parent;
    OstrelFileInfo* info = nullptr;
};

TEST_F(RecordingInfo, EmptyFramesUntilARecordingPlays) {
    EXPECT_EQ(info->size(), QSize(465, 28));
    EXPECT_EQ(picture(info), skinPicture(229));
    EXPECT_TRUE(info->shownTexts().isEmpty());
    // A kind and a position alone do not fill the fields while stopped.
    EXPECT_EQ(info->send(UM_RECORDING_KIND, 1, 0), 0);
    playbackState.lastLongitude = 127.5;
    EXPECT_EQ(picture(info), skinPicture(229));
}

TEST_F(RecordingInfo, PositionAndKindWhilePlayingOrPaused) {
    playbackState.lastLongitude = 127.5;
    playbackState.lastLatitude = 37.566535;
    playbackState.uiState = Playing;
    info->send(UM_RECORDING_KIND, 0, 0);
    QImage shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"127.500000", "37.566535", "NORMAL"}));
    EXPECT_NE(shown, skinPicture(229));
    EXPECT_TRUE(hasInk(shown, QRect(49, 7, 100, 16), QColor(0, 255, 0)));
    EXPECT_TRUE(hasInk(shown, QRect(360, 7, 80, 16), QColor(0, 255, 0)));

    // The kind is shown from the next paint on; the position follows the record reported last.
    info->send(UM_RECORDING_KIND, 1, 0);
    playbackState.lastLongitude = -0.1278;
    playbackState.lastLatitude = -33.8688;
    playbackState.uiState = Paused;
    shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"-0.127800", "-33.868800", "EVENT"}));
    EXPECT_TRUE(hasInk(shown, QRect(360, 7, 80, 16), QColor(255, 0, 0)));

    for (int kind : {2, 7, -1}) {
        info->send(UM_RECORDING_KIND, static_cast<WParam>(kind), 0);
        shown = picture(info);
        EXPECT_EQ(info->shownTexts().value(2), "MOTION") << kind;
        EXPECT_TRUE(hasInk(shown, QRect(360, 7, 80, 16), QColor(0, 174, 239))) << kind;
    }

    // Stopped again: the three fields are emptied at the next paint.
    playbackState.uiState = Stopped;
    EXPECT_EQ(picture(info), skinPicture(229));
}

TEST_F(RecordingInfo, LeftPressDragsTheMainWindowKeysAreSwallowed) {
    QTest::mouseClick(info, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_EQ(parent.leftPresses, 1);
    QTest::keyClick(info, Qt::Key_Escape);
    QTest::keyClick(info, Qt::Key_Return);
    EXPECT_TRUE(parent.keysReached.empty());
}

TEST(FileNameField, ShowsTheNameOfTheRecordingOpenedLast) {
    ParentWindow parent;
    QString current;
    auto* name = new OstrelShowFileName(&parent, [&current] { return current; });
    name->move(228, 44);
    parent.show();
    EXPECT_EQ(name->size(), QSize(189, 17));
    EXPECT_EQ(picture(name), skinPicture(154));

    current = QStringLiteral("evt0_20240307_081500.mp4");
    const QImage shown = picture(name);
    EXPECT_EQ(name->shownName(), current);
    EXPECT_NE(shown, skinPicture(154));
    int brightest = 0;  // light grey text on the dark field
    for (int y = 2; y < 17; ++y)
        for (int x = 13; x < 189; ++x) brightest = std::max(brightest, qGray(shown.pixel(x, y)));
    EXPECT_GT(brightest, 150);
    // Left of the text the field's own picture stays.
    EXPECT_EQ(shown.copy(0, 0, 12, 17), skinPicture(154).copy(0, 0, 12, 17));

    // A press does nothing, not even drag the main window.
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(50, 8));
    EXPECT_EQ(parent.leftPresses, 0);

    // Without a name source the field stays blank.
    auto* blank = new OstrelShowFileName(&parent, nullptr);
    blank->show();
    EXPECT_EQ(picture(blank), skinPicture(154));
}

}  // namespace
}  // namespace moksel
