// Reads recordings made by the sample generator and compares every frame's record with the
// drive the generator wrote.
#include <gtest/gtest.h>

#include <cmath>

#include "recording/packet_times.h"
#include "recording/recording_name.h"
#include "recording/telemetry.h"
#include "recording_generator.h"

namespace moksel {
namespace {

gen::GenOptions smallRecording(const std::string& folder) {
    gen::GenOptions options;
    options.outputDir = ::testing::TempDir() + "/" + folder;
    options.frames = 120;
    options.width = 64;
    options.height = 36;
    options.rear = gen::RearKind::Missing;
    options.sound = false;
    return options;
}

struct ReadBack {
    bool found = false;
    std::vector<int64_t> timesMs;
    std::vector<TelemetryRecord> records;
    uint32_t eventTimeMs = 0;
};

ReadBack readBack(const std::string& path) {
    ReadBack back;
    std::string error;
    EXPECT_TRUE(readFrontPacketTimesMs(path, back.timesMs, error)) << error;
    TelemetryBox telemetry;
    back.found = telemetry.read(path);
    back.records.resize(back.timesMs.size());
    int count = telemetry.buildRecords(back.timesMs.data(), int(back.timesMs.size()),
                                       back.records.data(), int(back.records.size()),
                                       back.eventTimeMs);
    back.records.resize(size_t(count));
    return back;
}

void expectMatchesTrack(const ReadBack& back, const gen::GenResult& result) {
    ASSERT_EQ(back.records.size(), result.track.size());
    int fixes = 0;
    for (size_t i = 0; i < back.records.size(); ++i) {
        const TelemetryRecord& r = back.records[i];
        const gen::TrackPoint& p = result.track[i];
        SCOPED_TRACE("frame " + std::to_string(i) + ": " + p.sentence);
        EXPECT_EQ(int64_t(r.timeMs), p.timeMs);
        EXPECT_EQ(r.accelX, int16_t(std::trunc(double(p.accelX) * 100.0)));
        EXPECT_EQ(r.accelY, int16_t(std::trunc(double(p.accelY) * 100.0)));
        EXPECT_EQ(r.accelZ, int16_t(std::trunc(double(p.accelZ) * 100.0)));
        if (p.hasSentence && p.fix) {
            ++fixes;
            EXPECT_NEAR(r.latitude, p.latitudeDeg, 1e-6);
            EXPECT_NEAR(r.longitude, p.longitudeDeg, 1e-6);
            EXPECT_EQ(r.speedKmh, uint16_t(std::trunc(p.speedKnots * 1.852)));
            EXPECT_NEAR(r.heading, p.headingDeg, 1e-9);
        } else {
            EXPECT_EQ(r.latitude, 0);
            EXPECT_EQ(r.longitude, 0);
            EXPECT_EQ(r.speedKmh, 0);
        }
    }
    EXPECT_GT(fixes, 0);
}

TEST(GeneratedRecording, EveryFrameMatchesTheGeneratedDrive) {
    gen::GenOptions options = smallRecording("gen-evt");
    options.type = "evt";  // an event recording: a shock in the middle
    gen::GenResult result;
    std::string error;
    ASSERT_TRUE(gen::generatePair(options, result, error)) << error;

    std::string name = result.frontPath.substr(result.frontPath.find_last_of('/') + 1);
    EXPECT_TRUE(isFrontRecordingName(name));
    EXPECT_EQ(recordingKindOf(name), RecordingKind::Event);

    ReadBack back = readBack(result.frontPath);
    ASSERT_TRUE(back.found);
    ASSERT_EQ(back.timesMs.size(), size_t(result.frontFrames));
    expectMatchesTrack(back, result);
    ASSERT_GE(result.shockFrame, 0);
    EXPECT_EQ(int64_t(back.eventTimeMs), result.track[size_t(result.shockFrame)].timeMs);

    // During playback each frame but the last reports its own record.
    for (size_t i = 0; i + 1 < back.timesMs.size(); ++i)
        EXPECT_EQ(telemetryIndexForPacketTime(back.records.data(), int(back.records.size()),
                                              back.timesMs[i]),
                  int(i));
    EXPECT_EQ(telemetryIndexForPacketTime(back.records.data(), int(back.records.size()),
                                          back.timesMs.back()),
              -1);
}

TEST(GeneratedRecording, SouthernAndWesternDrivesAreNegative) {
    gen::GenOptions options = smallRecording("gen-sw");
    options.gps = gen::GpsMode::AllFix;
    options.northSouth = 'S';
    options.eastWest = 'W';
    options.latitudeDeg = 33.8688;
    options.longitudeDeg = 151.2093;
    gen::GenResult result;
    std::string error;
    ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
    ReadBack back = readBack(result.frontPath);
    ASSERT_TRUE(back.found);
    expectMatchesTrack(back, result);
    EXPECT_NEAR(back.records[0].latitude, -33.8688, 0.01);
    EXPECT_NEAR(back.records[0].longitude, -151.2093, 0.01);
    EXPECT_EQ(back.eventTimeMs, 0u);
}

TEST(GeneratedRecording, WithoutTelemetryOrFlags) {
    gen::GenOptions options = smallRecording("gen-no-udat");
    options.telemetry = false;
    gen::GenResult result;
    std::string error;
    ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
    ReadBack back = readBack(result.frontPath);
    EXPECT_FALSE(back.found);
    EXPECT_TRUE(back.records.empty());

    options = smallRecording("gen-no-finf");
    options.type = "evt";
    options.flags = false;
    ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
    back = readBack(result.frontPath);
    ASSERT_TRUE(back.found);
    EXPECT_EQ(back.records.size(), size_t(result.frontFrames));
    EXPECT_EQ(back.eventTimeMs, 0u);
}

}  // namespace
}  // namespace moksel
