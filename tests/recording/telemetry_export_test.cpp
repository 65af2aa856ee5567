#include "tools/telemetry/telemetry_export.h"
#include "recording/gps_sentence.h"

#include <gtest/gtest.h>

namespace moksel {
namespace {

TelemetryRecord fix(uint32_t timeMs, double latitude, double longitude) {
    TelemetryRecord r;
    r.timeMs = timeMs;
    r.latitude = latitude;
    r.longitude = longitude;
    return r;
}

TEST(TelemetryExport, PointTimesAddTheFrameTimeToTheNamesStart) {
    RecordingStart start{2012, 3, 1, 8, 15, 0};
    EXPECT_EQ(isoTimeUtc(start, 0), "2012-03-01T08:15:00.000Z");
    EXPECT_EQ(isoTimeUtc(start, 61'033), "2012-03-01T08:16:01.033Z");
    // Across midnight, a leap day and a year end.
    EXPECT_EQ(isoTimeUtc({2024, 2, 28, 23, 59, 59}, 1500), "2024-02-29T00:00:00.500Z");
    EXPECT_EQ(isoTimeUtc({2023, 12, 31, 23, 59, 30}, 45'000), "2024-01-01T00:00:15.000Z");
    EXPECT_EQ(isoTimeUtc({1970, 1, 1, 0, 0, 0}, 0), "1970-01-01T00:00:00.000Z");
}

TEST(TelemetryExport, CsvHasOneLinePerRecordInGAndDecimalDegrees) {
    TelemetryTrack track;
    TelemetryRecord r = fix(33, -33.865, 151.21);
    r.accelX = -123;
    r.accelY = 5;
    r.accelZ = 100;
    r.speedKmh = 18;
    r.heading = 90.5;
    // A garbled sentence: position, speed and course far out of range.
    TelemetryRecord garbled = fix(66, -1e18, 3e9);
    garbled.speedKmh = 65000;
    garbled.heading = 1e18;
    TelemetryRecord badCourse = r;
    badCourse.timeMs = 99;
    badCourse.heading = -1e18;
    track.records = {TelemetryRecord{}, r, garbled, badCourse};
    EXPECT_EQ(telemetryCsvHeader(),
              "index,time_ms,accel_x_g,accel_y_g,accel_z_g,latitude,longitude,speed_kmh,heading\n");
    EXPECT_EQ(telemetryCsvRows(track),
              "0,0,0.00,0.00,0.00,0,0,0,0\n"
              "1,33,-1.23,0.05,1.00,-33.865,151.21,18,90.5\n"
              "2,66,0.00,0.00,0.00,0,0,0,0\n"
              "3,99,-1.23,0.05,1.00,-33.865,151.21,18,0\n");
}

TEST(TelemetryExport, GpxHoldsOnlyFixesWithTimes) {
    TelemetryTrack track;
    track.name = "drf0_20120301_081500.mp4 <&>";
    track.start = RecordingStart{2012, 3, 1, 8, 15, 0};
    track.records = {fix(0, 0, 0), fix(33, 37.5, 127.25), fix(66, 95, 10), fix(99, -10, -180),
                     fix(132, 1e-7, 0)};
    std::string gpx = telemetryGpx({track});
    EXPECT_NE(gpx.find("<gpx version=\"1.1\" creator=\"MOKSEL VIEWER\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\">"),
              std::string::npos);
    EXPECT_NE(gpx.find("<name>drf0_20120301_081500.mp4 &lt;&amp;&gt;</name>"), std::string::npos);
    EXPECT_NE(gpx.find("<trkpt lat=\"37.5\" lon=\"127.25\"><time>2012-03-01T08:15:00.033Z</time>"),
              std::string::npos);
    EXPECT_NE(gpx.find("<trkpt lat=\"-10\" lon=\"-180\">"), std::string::npos);
    // No exponent form, which GPX decimals do not allow.
    EXPECT_NE(gpx.find("lat=\"0.0000001\" lon=\"0\""), std::string::npos);
    // (0, 0) is no fix; latitude 95 is out of range.
    size_t points = 0;
    for (size_t at = gpx.find("<trkpt"); at != std::string::npos; at = gpx.find("<trkpt", at + 1))
        ++points;
    EXPECT_EQ(points, 3u);

    track.start.reset();
    EXPECT_EQ(telemetryGpx({track}).find("<time>"), std::string::npos);
}

// The times are the GPS sentences' UTC; a record without one (the second) is the name's time less
// the camera's offset from UTC that the others show (9 h), not the name's time itself.
TEST(TelemetryExport, TrackTimesAreTheSentencesUtc) {
    TelemetryTrack track;
    track.start = RecordingStart{2012, 3, 1, 8, 15, 0};
    track.records = {fix(0, 37.5, 127.25), fix(33, 37.5, 127.25), fix(66, 37.5, 127.25)};
    int64_t first = 0, last = 0;
    ASSERT_TRUE(gpsSentenceUtcMs("231500.01,A,3730.0,N,12715.0,E,0,0,290212,,,A", first));
    ASSERT_TRUE(gpsSentenceUtcMs("231500.07,A,3730.0,N,12715.0,E,0,0,290212,,,A", last));
    track.utcMs = {first, -1, last};
    const std::string gpx = telemetryGpx({track});
    EXPECT_NE(gpx.find("<time>2012-02-29T23:15:00.010Z</time>"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<time>2012-02-29T23:15:00.033Z</time>"), std::string::npos) << gpx;
    EXPECT_NE(gpx.find("<time>2012-02-29T23:15:00.070Z</time>"), std::string::npos) << gpx;
    EXPECT_NE(telemetryKml({track}).find("<begin>2012-02-29T23:15:00.010Z</begin>"
                                         "<end>2012-02-29T23:15:00.070Z</end>"),
              std::string::npos);
}

}  // namespace
}  // namespace moksel
