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

QImage skin(int number) { return skinImage(number).convertToFormat(QImage::Format_RGB32); }

// The most saturated pixel of an area: where smoothed text comes closest to its colour.
QColor strongestInk(const QImage& shown, QRect area) {
    QColor best(0, 0, 0);
    int bestScore = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            const int score = std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            if (score > bestScore) {
                bestScore = score;
                best = c;
            }
        }
    }
    return best;
}

// Whether `ink` leans to `colour`: each channel that is full in the colour is the ink's
// strongest, each that is empty is weak.
bool leansTo(QColor ink, QColor colour) {
    auto near = [](int a, int b) { return std::abs(a - b) <= 70; };
    return near(ink.red(), colour.red()) && near(ink.green(), colour.green()) &&
           near(ink.blue(), colour.blue());
}

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
    EXPECT_EQ(picture(info), skin(229));
    EXPECT_TRUE(info->shownTexts().isEmpty());
    // A kind and a position alone do not fill the fields while stopped.
    EXPECT_EQ(info->send(UM_RECORDING_KIND, 1, 0), 0);
    playbackState.lastLongitude = 127.5;
    EXPECT_EQ(picture(info), skin(229));
}

TEST_F(RecordingInfo, PositionAndKindWhilePlayingOrPaused) {
    playbackState.lastLongitude = 127.5;
    playbackState.lastLatitude = 37.566535;
    playbackState.uiState = Playing;
    info->send(UM_RECORDING_KIND, 0, 0);
    QImage shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"127.500000", "37.566535", "NORMAL"}));
    EXPECT_NE(shown, skin(229));
    EXPECT_TRUE(leansTo(strongestInk(shown, QRect(49, 7, 100, 16)), QColor(0, 255, 0)));
    EXPECT_TRUE(leansTo(strongestInk(shown, QRect(360, 7, 80, 16)), QColor(0, 255, 0)));

    // The kind is shown from the next paint on; the position follows the record reported last.
    info->send(UM_RECORDING_KIND, 1, 0);
    playbackState.lastLongitude = -0.1278;
    playbackState.lastLatitude = -33.8688;
    playbackState.uiState = Paused;
    shown = picture(info);
    EXPECT_EQ(info->shownTexts(), QStringList({"-0.127800", "-33.868800", "EVENT"}));
    EXPECT_TRUE(leansTo(strongestInk(shown, QRect(360, 7, 80, 16)), QColor(255, 0, 0)));

    for (int kind : {2, 7, -1}) {
        info->send(UM_RECORDING_KIND, static_cast<WParam>(kind), 0);
        shown = picture(info);
        EXPECT_EQ(info->shownTexts().value(2), "MOTION") << kind;
        EXPECT_TRUE(leansTo(strongestInk(shown, QRect(360, 7, 80, 16)), QColor(0, 174, 239))) << kind;
    }

    // Stopped again: the three fields are emptied at the next paint.
    playbackState.uiState = Stopped;
    EXPECT_EQ(picture(info), skin(229));
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
    EXPECT_EQ(picture(name), skin(154));

    current = QStringLiteral("evt0_20240307_081500.mp4");
    const QImage shown = picture(name);
    EXPECT_EQ(name->shownName(), current);
    EXPECT_NE(shown, skin(154));
    int brightest = 0;  // light grey text on the dark field
    for (int y = 2; y < 17; ++y)
        for (int x = 13; x < 189; ++x) brightest = std::max(brightest, qGray(shown.pixel(x, y)));
    EXPECT_GT(brightest, 150);
    // Left of the text the field's own picture stays.
    EXPECT_EQ(shown.copy(0, 0, 12, 17), skin(154).copy(0, 0, 12, 17));

    // A press does nothing, not even drag the main window.
    QTest::mouseClick(name, Qt::LeftButton, {}, QPoint(50, 8));
    EXPECT_EQ(parent.leftPresses, 0);

    // Without a name source the field stays blank.
    auto* blank = new OstrelShowFileName(&parent, nullptr);
    blank->show();
    EXPECT_EQ(picture(blank), skin(154));
}

}  // namespace
}  // namespace moksel
