// The G-sensor graph: NO DATA until telemetry is loaded, the three curves on their scale, the
// cursor and readouts following the position, and the return to NO DATA when the recording
// closes.
#include <gtest/gtest.h>

#include <QTest>

#include "display_test_support.h"
#include "displays/ostrel_sensor_graph.h"
#include "mainwindow/messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

const QColor kFill(31, 31, 31);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(51, 133, 232);

// `count` records 100 ms apart, from 0, with the given axes.
std::vector<TelemetryRecord> evenRecords(int count, int16_t x, int16_t y, int16_t z) {
    std::vector<TelemetryRecord> records(count);
    for (int i = 0; i < count; ++i) {
        records[i].accelX = x;
        records[i].accelY = y;
        records[i].accelZ = z;
        records[i].timeMs = static_cast<uint32_t>(i * 100);
    }
    return records;
}

bool sameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

int whiteRowsInColumn(const QImage& image, int x) {
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) rows += pixel(image, x, y) == QColor(Qt::white) ? 1 : 0;
    return rows;
}

// Columns of the plot (rows 3..40, above the readouts) that hold a white pixel.
std::vector<int> cursorColumns(const QImage& image) {
    std::vector<int> columns;
    for (int x = 8; x < 365; ++x) {
        for (int y = 3; y < 40; ++y) {
            if (pixel(image, x, y) == QColor(Qt::white)) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

class SensorGraph : public ::testing::Test {
protected:
    void SetUp() override {
        clearTelemetry();
        graph = placePane<OstrelSensorGraph>(parent, QPoint(142, 417));
    }
    void TearDown() override { clearTelemetry(); }

    void load(const std::vector<TelemetryRecord>& records) {
        setTelemetry(records);
        graph->send(UM_TELEMETRY_LOADED, 0, 0);
    }

    ParentWindow parent;
    OstrelSensorGraph* graph = nullptr;
};

TEST_F(SensorGraph, ShowsNoDataUntilTelemetryIsLoaded) {
    EXPECT_EQ(graph->size(), QSize(373, 64));
    const QImage noData = skinImage(228);
    EXPECT_TRUE(sameImage(picture(graph), noData));
    // Positions without a loaded recording are kept but draw nothing.
    graph->send(UM_TELEMETRY_TIME, 1500, 0);
    EXPECT_EQ(graph->graphPositionMs(), 1500u);
    EXPECT_TRUE(sameImage(picture(graph), noData));
    EXPECT_TRUE(graph->shownReadouts().isEmpty());
}

TEST_F(SensorGraph, FlatRecordingDrawsOneLineOnTheBaselineAcrossThePlot) {
    load(evenRecords(50, 0, 0, 0));
    const QImage shown = picture(graph);
    // Z is drawn last, so the three overlapping lines show blue from the left to the right end.
    for (int x = 9; x <= 365; ++x) ASSERT_EQ(pixel(shown, x, 32), kBlue) << "x " << x;
    EXPECT_EQ(pixel(shown, 366, 32), pixel(skinImage(228), 366, 32));  // border untouched
    EXPECT_EQ(pixel(shown, 200, 31), kFill);
    EXPECT_EQ(pixel(shown, 200, 33), kFill);
    EXPECT_EQ(pixel(shown, 200, 3), kFill);
    EXPECT_EQ(pixel(shown, 364, 60), kFill);
}

TEST_F(SensorGraph, ValuesAreNinePixelsPerOneGUpIsPositive) {
    load(evenRecords(50, 150, -150, 0));
    const QImage shown = picture(graph);
    EXPECT_EQ(pixel(shown, 200, 18), kRed);    // 32 - 13.5, truncated
    EXPECT_EQ(pixel(shown, 200, 45), kGreen);  // 32 + 13.5, truncated
    EXPECT_EQ(pixel(shown, 200, 32), kBlue);
    EXPECT_EQ(pixel(shown, 200, 17), kFill);
    EXPECT_EQ(pixel(shown, 200, 19), kFill);
    // The first segment rises from the left end of the baseline to the first record.
    EXPECT_EQ(pixel(shown, 8, 32), QColor(Qt::white));  // the cursor stands on record 0 at x 8
}

TEST_F(SensorGraph, CursorAndReadoutsFollowThePosition) {
    std::vector<TelemetryRecord> records = evenRecords(101, 0, 0, 0);  // 0 .. 10000 ms
    records[30].accelX = -25;
    records[30].accelY = 100;
    records[30].accelZ = 98;
    load(records);

    // Loading puts the cursor on the first record (stamped 0).
    picture(graph);
    EXPECT_EQ(graph->shownReadouts(), QStringList({"X: 0.00", "Y: 0.00", "Z: 0.00"}));
    EXPECT_EQ(cursorColumns(picture(graph)), std::vector<int>{8});

    // Between two records the cursor stands on the earlier one: 3050 ms -> record 30 at 3000 ms.
    graph->send(UM_TELEMETRY_TIME, 3050, 0);
    const QImage at3050 = picture(graph);
    const int x = static_cast<int>(3000 * 357.0 / 10000 + 8);
    EXPECT_EQ(cursorColumns(at3050), std::vector<int>{x});
    EXPECT_EQ(whiteRowsInColumn(at3050, x), 58);  // rows 3 to 60
    EXPECT_EQ(pixel(at3050, x, 61), pixel(skinImage(228), x, 61));
    EXPECT_EQ(graph->shownReadouts(), QStringList({"X: -0.25", "Y: 1.00", "Z: 0.98"}));

    // The readouts are drawn in their axis colours below the curves.
    EXPECT_TRUE(hasInk(at3050, QRect(120, 50, 55, 14), kRed));
    EXPECT_TRUE(hasInk(at3050, QRect(180, 50, 55, 14), kGreen));
    EXPECT_TRUE(hasInk(at3050, QRect(240, 50, 55, 14), QColor(0, 174, 239)));

    // Exactly on a record's time the cursor stands on that record.
    graph->send(UM_TELEMETRY_TIME, 3100, 0);
    picture(graph);
    EXPECT_EQ(graph->shownReadouts(), QStringList({"X: 0.00", "Y: 0.00", "Z: 0.00"}));
    EXPECT_EQ(cursorColumns(picture(graph)),
              std::vector<int>{static_cast<int>(3100 * 357.0 / 10000 + 8)});
}

TEST_F(SensorGraph, AtTheEndTheCursorDisappearsAndReadoutsShowZero) {
    load(evenRecords(11, 150, 150, 150));  // last record at 1000 ms
    for (uint32_t position : {1000u, 5000u, 0xFFFFFFFFu}) {
        graph->send(UM_TELEMETRY_TIME, position, 0);
        EXPECT_TRUE(cursorColumns(picture(graph)).empty()) << position;
        EXPECT_EQ(graph->shownReadouts(), QStringList({"X: 0.00", "Y: 0.00", "Z: 0.00"}));
    }
    // Before the first record (the first one stamped later than the position) the cursor
    // stands at the left end on a zero record.
    std::vector<TelemetryRecord> late = evenRecords(11, 150, 150, 150);
    for (TelemetryRecord& r : late) r.timeMs += 500;
    load(late);
    graph->send(UM_TELEMETRY_TIME, 100, 0);
    EXPECT_EQ(cursorColumns(picture(graph)), std::vector<int>{8});
    EXPECT_EQ(graph->shownReadouts(), QStringList({"X: 0.00", "Y: 0.00", "Z: 0.00"}));
}

TEST_F(SensorGraph, ClosingTheRecordingShowsNoDataWhatEverFollows) {
    load(evenRecords(20, 100, 0, 0));
    graph->send(UM_TELEMETRY_CLEARED, 0, 0);
    clearTelemetry();  // the engine empties the records right after
    EXPECT_FALSE(graph->graphFilled());
    graph->send(UM_TELEMETRY_TIME, 500, 0);
    graph->send(UM_TELEMETRY_TIME, 600, 0);
    EXPECT_TRUE(sameImage(picture(graph), skinImage(228)));
}

TEST_F(SensorGraph, TheNextRecordingReplacesTheCurves) {
    load(evenRecords(20, 150, 0, 0));
    EXPECT_EQ(pixel(picture(graph), 200, 18), kRed);
    graph->send(UM_TELEMETRY_CLEARED, 0, 0);
    load(evenRecords(20, 0, -150, 0));
    const QImage shown = picture(graph);
    EXPECT_EQ(pixel(shown, 200, 18), kFill);
    EXPECT_EQ(pixel(shown, 200, 45), kGreen);
}

TEST_F(SensorGraph, RecordingsWithOddTimesStayInsideThePicture) {
    // Every record stamped 0: no horizontal scale; everything sits at the left end.
    load(evenRecords(5, 120, 0, 0));
    std::vector<TelemetryRecord> zero = evenRecords(5, 120, 0, 0);
    for (TelemetryRecord& r : zero) r.timeMs = 0;
    load(zero);
    const QImage shown = picture(graph);
    EXPECT_EQ(pixel(shown, 200, 32), kFill);
    // Extreme values are clipped, not wrapped.
    std::vector<TelemetryRecord> extreme = evenRecords(30, INT16_MAX, INT16_MIN, 0);
    load(extreme);
    const QImage clipped = picture(graph);
    EXPECT_EQ(pixel(clipped, 200, 32), kBlue);
    EXPECT_EQ(pixel(clipped, 200, 10), kFill);
}

TEST_F(SensorGraph, LeftPressDragsTheMainWindowAndKeysAreSwallowed) {
    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(100, 30));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(100, 30));
    EXPECT_EQ(parent.leftPresses, 1);
    graph->setFocus();
    QTest::keyClick(graph, Qt::Key_Escape);
    QTest::keyClick(graph, Qt::Key_Return);
    QTest::keyClick(graph, Qt::Key_A);
    EXPECT_EQ(parent.keysReached, std::vector<int>{Qt::Key_A});
}

}  // namespace
}  // namespace moksel
