// A recording the camera could not finish, in the window: its row is marked, a double click
// asks, repairs it beside the original and plays the repaired pair; one with nothing left to
// recover says so.
#include <QFile>
#include <filesystem>

#include "dialogs/message_texts.h"
#include "engine_window_fixture.h"

namespace moksel {
namespace {

class RepairWithEngineTest : public EngineWindowTest {
protected:
    static void SetUpTestSuite() {
        makeDrive(3);  // 08:15:00 whole, 08:15:10 cut at 60%, 08:15:20 cut right after its start
        const std::string folder = (drive->path() + QStringLiteral("/DCIM")).toStdString();
        cut(folder + "/drf0_20120301_081510.mp4", 0.6);
        cut(folder + "/drf1_20120301_081510.mp4", 0.6);
        cut(folder + "/drf0_20120301_081520.mp4", 0.002);
        std::filesystem::remove(folder + "/drf1_20120301_081520.mp4");
    }
    static void cut(const std::string& path, double fraction) {
        std::filesystem::resize_file(
            path, std::uintmax_t(double(std::filesystem::file_size(path)) * fraction));
    }

    int entryNamed(const char* name) const {
        for (int i = 0; i < recordings().count(); ++i)
            if (recordings().entry(i).fileName == name) return i;
        return -1;
    }
    // Pixels of the row drawn in the cut-off colour.
    int markedPixels(int row) {
        const QImage image = window->fileList()->grab().toImage();
        int count = 0;
        for (int y = 18 + 20 * row; y < 38 + 20 * row; ++y)
            for (int x = 40; x < 330; ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 200 && c.green() > 70 && c.green() < 170 && c.blue() < 120;
            }
        return count;
    }
};

TEST_F(RepairWithEngineTest, CutRowIsMarkedAndPlaysRepaired) {
    const int whole = entryNamed("drf0_20120301_081500.mp4");
    const int broken = entryNamed("drf0_20120301_081510.mp4");
    ASSERT_GE(whole, 0);
    ASSERT_GE(broken, 0);
    EXPECT_FALSE(recordings().entry(whole).cutOff);
    EXPECT_TRUE(recordings().entry(broken).cutOff);
    const int top = recordings().top();
    EXPECT_EQ(markedPixels(whole - top), 0);
    EXPECT_GT(markedPixels(broken - top), 20);

    doubleClickRow(broken - top);
    const std::string repaired = (drive->path() + QStringLiteral("/DCIM/REPAIRED/")).toStdString() +
                                 "drf0_20120301_081510.mp4";
    QTRY_COMPARE_WITH_TIMEOUT(window->currentRecordingPath(), repaired, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(window->recordingReady(), kWaitMs);
    EXPECT_EQ(boxes, std::vector<int>{100 + kAskRepairRecording});
    EXPECT_TRUE(QFile::exists(QString::fromStdString(repaired)));
    EXPECT_TRUE(QFile::exists(drive->path() + "/DCIM/REPAIRED/drf1_20120301_081510.mp4"));
    QTRY_COMPARE_WITH_TIMEOUT(playbackState.openState.load(), FrontAndRear, kWaitMs);

    // Played again: the repaired pair opens without a second question.
    doubleClickRow(whole - top);
    QTRY_COMPARE_WITH_TIMEOUT(window->currentRecordingPath(), recordings().entry(whole).path(),
                              kWaitMs);
    doubleClickRow(broken - top);
    QTRY_COMPARE_WITH_TIMEOUT(window->currentRecordingPath(), repaired, kWaitMs);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(RepairWithEngineTest, NothingRecoveredSaysSo) {
    const int empty = entryNamed("drf0_20120301_081520.mp4");
    ASSERT_GE(empty, 0);
    EXPECT_TRUE(recordings().entry(empty).cutOff);
    doubleClickRow(empty - recordings().top());
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), size_t(2), kWaitMs);
    EXPECT_EQ(boxes, (std::vector<int>{100 + kAskRepairRecording, kMsgRepairRecoveredNothing}));
    EXPECT_TRUE(window->currentRecordingPath().empty());
}

}  // namespace
}  // namespace moksel
