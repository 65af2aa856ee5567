// The G-sensor graph: NO DATA until telemetry is loaded and after the recording closes, the
// three curves on their scale, the cursor and readouts following the position.
#include <gtest/gtest.h>

#include "display_test_support.h"
#include "displays/ostrel_sensor_graph.h"
#include "platform/window_messages.h"

namespace moksel {
namespace {

const QColor kFill(31, 31, 31), kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(51, 133, 232);
const QStringList kZero = {"X: 0.00", "Y: 0.00", "Z: 0.00"};

// `count` records 100 ms apart from 0 with the given axes.
std::vector<TelemetryRecord> evenRecords(int count, int16_t x, int16_t y, int16_t z) {
    std::vector<TelemetryRecord> records(count);
    for (int i = 0; i < count; ++i) records[i] = {x, y, z, static_cast<uint32_t>(i * 100)};
    return records;
}

// Columns of the plot above the readouts that hold a white pixel, and how many rows each.
std::vector<std::pair<int, int>> cursorColumns(const QImage& image) {
    std::vector<std::pair<int, int>> columns;
    for (int x = 8; x < 365; ++x) {
        int rows = 0;
        for (int y = 0; y < 64; ++y) rows += image.pixelColor(x, y) == QColor(Qt::white);
        if (rows > 0 && image.pixelColor(x, 20) == QColor(Qt::white)) columns.emplace_back(x, rows);
    }
    return columns;
}

class SensorGraph : public ::testing::Test {
protected:
    void SetUp() override { graph = placePane<OstrelSensorGraph>(parent, {142, 417}); }
    void TearDown() override { setTelemetry({}); }
    void load(const std::vector<TelemetryRecord>& records) {
        setTelemetry(records);
        graph->send(UM_TELEMETRY_LOADED, 0, 0);
    }
    void moveTo(uint32_t ms) { graph->send(UM_TELEMETRY_TIME, ms, 0); }

    ParentWindow parent;
    OstrelSensorGraph* graph = nullptr;
};

TEST_F(SensorGraph, ShowsNoDataWithoutTheTelemetryOfAnOpenRecording) {
    EXPECT_EQ(graph->size(), QSize(373, 64));
    EXPECT_EQ(picture(graph), skinPicture(228));
    moveTo(1500);  // kept, but nothing is drawn
    EXPECT_EQ(graph->graphPositionMs(), 1500u);
    EXPECT_EQ(picture(graph), skinPicture(228));

    load(evenRecords(20, 100, 0, 0));
    EXPECT_NE(picture(graph), skinPicture(228));
    graph->send(UM_TELEMETRY_CLEARED, 0, 0);
    setTelemetry({});  // the engine empties the records right after
    moveTo(500);
    EXPECT_EQ(picture(graph), skinPicture(228));
    EXPECT_TRUE(graph->shownReadouts().isEmpty());
}

TEST_F(SensorGraph, CurvesAreNinePixelsPerOneGOverTheWholeLength) {
    load(evenRecords(50, 0, 0, 0));
    QImage shown = picture(graph);
    // Z is drawn last, so the three flat lines show blue from the left to the right end.
    for (int x = 9; x <= 365; ++x) ASSERT_EQ(shown.pixelColor(x, 32), kBlue) << "x " << x;
    EXPECT_EQ(shown.pixelColor(366, 32), skinPicture(228).pixelColor(366, 32));  // border kept
    EXPECT_EQ(shown.pixelColor(200, 31), kFill);
    EXPECT_EQ(shown.pixelColor(200, 33), kFill);

    // The next recording replaces the curves: 150 at y 18 (32 - 13.5), -150 at y 45.
    load(evenRecords(50, 150, -150, 0));
    shown = picture(graph);
    EXPECT_EQ(shown.pixelColor(200, 18), kRed);
    EXPECT_EQ(shown.pixelColor(200, 45), kGreen);
    EXPECT_EQ(shown.pixelColor(200, 32), kBlue);
    EXPECT_EQ(shown.pixelColor(200, 17), kFill);
    EXPECT_EQ(shown.pixelColor(200, 19), kFill);

    // Extreme values are clipped, not wrapped; records all stamped 0 stay at the left end.
    load(evenRecords(30, INT16_MAX, INT16_MIN, 0));
    EXPECT_EQ(picture(graph).pixelColor(200, 10), kFill);
    std::vector<TelemetryRecord> stillborn = evenRecords(5, 120, 0, 0);
    for (TelemetryRecord& r : stillborn) r.timeMs = 0;
    load(stillborn);
    EXPECT_EQ(picture(graph).pixelColor(200, 32), kFill);
}

TEST_F(SensorGraph, CursorAndReadoutsFollowThePosition) {
    std::vector<TelemetryRecord> records = evenRecords(101, 0, 0, 0);  // 0 .. 10000 ms
    records[30] = {-25, 100, 98, 3000};
    load(records);
    // Loading puts the cursor on the first record, stamped 0, at the left end.
    EXPECT_EQ(cursorColumns(picture(graph)), (std::vector<std::pair<int, int>>{{8, 58}}));
    EXPECT_EQ(graph->shownReadouts(), kZero);

    // Between two records the cursor stands on the earlier one, from row 3 to row 60.
    moveTo(3050);
    const QImage shown = picture(graph);
    EXPECT_EQ(cursorColumns(shown), (std::vector<std::pair<int, int>>{{int(3000 * 357.0 / 10000 + 8), 58}}));
    EXPECT_EQ(graph->shownReadouts(), QStringList({"X: -0.25", "Y: 1.00", "Z: 0.98"}));
    EXPECT_TRUE(hasInk(shown, QRect(120, 50, 55, 14), kRed));
    EXPECT_TRUE(hasInk(shown, QRect(180, 50, 55, 14), kGreen));
    EXPECT_TRUE(hasInk(shown, QRect(240, 50, 55, 14), QColor(0, 174, 239)));

    // Exactly on a record's time the cursor stands on that record.
    moveTo(3100);
    EXPECT_EQ(cursorColumns(picture(graph)), (std::vector<std::pair<int, int>>{{int(3100 * 357.0 / 10000 + 8), 58}}));
    EXPECT_EQ(graph->shownReadouts(), kZero);

    // At or past the last record the cursor disappears and the readouts show 0.00.
    for (uint32_t position : {10000u, 50000u, 0xFFFFFFFFu}) {
        moveTo(position);
        EXPECT_TRUE(cursorColumns(picture(graph)).empty()) << position;
        EXPECT_EQ(graph->shownReadouts(), kZero);
    }

    // Before a first record stamped later than the position: a zero record at the left end.
    for (TelemetryRecord& r : records) r.timeMs += 500;
    load(records);
    moveTo(100);
    EXPECT_EQ(cursorColumns(picture(graph)), (std::vector<std::pair<int, int>>{{8, 58}}));
    EXPECT_EQ(graph->shownReadouts(), kZero);
}

}  // namespace
}  // namespace moksel
