#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <set>
#include <string>

#include "recording/telemetry.h"
#include "telemetry_file_builder.h"

namespace moksel {
namespace {

using test::box;
using test::rmcSentence;
using test::TelemetryFile;
using test::writeTestFile;

std::vector<int64_t> frameTimes(int count, int64_t stepMs = 33) {
    std::vector<int64_t> times(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) times[size_t(i)] = i * stepMs;
    return times;
}

TelemetryFile threeFrames() {
    TelemetryFile file;
    file.sentences = {rmcSentence("3724.5000", "N", "12700.6000", "E", "10.0", "90.5"), "",
                      rmcSentence("3351.9000", "S", "15112.6000", "W", "100", "270.25")};
    file.sensors = {{{-1.234f, 0.005f, 1.0f}}, {{0.5f, -0.5f, 0.99f}}, {{2.0f, 0.0f, -0.25f}}};
    file.flags = {0, 1, 0};
    return file;
}

struct Built {
    std::vector<TelemetryRecord> records;
    uint32_t eventTimeMs = 12345;
};

Built build(const TelemetryBox& telemetry, const std::vector<int64_t>& times, int capacity = -1) {
    if (capacity < 0) capacity = int(times.size());
    Built built;
    built.records.resize(size_t(std::max(capacity, 0)));
    int count = telemetry.buildRecords(times.data(), int(times.size()), built.records.data(),
                                       capacity, built.eventTimeMs);
    built.records.resize(size_t(count));
    return built;
}

TEST(TelemetryBox, BuildsOneRecordPerFrameFromTheBoxAfterTheFirstThreeBoxes) {
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("three.mp4", threeFrames().bytes())));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::Found);
    EXPECT_EQ(telemetry.gpsEntryCount(), 3);
    EXPECT_EQ(telemetry.sensorEntryCount(), 3);
    EXPECT_EQ(telemetry.flagEntryCount(), 3);

    Built built = build(telemetry, {0, 33, 67});
    ASSERT_EQ(built.records.size(), 3u);
    const TelemetryRecord& first = built.records[0];
    EXPECT_EQ(first.timeMs, 0u);
    EXPECT_EQ(first.accelX, -123);  // -1.234 g, truncated toward zero
    EXPECT_EQ(first.accelY, 0);     // 0.005 g
    EXPECT_EQ(first.accelZ, 100);
    EXPECT_NEAR(first.latitude, 37.408333333, 1e-9);
    EXPECT_NEAR(first.longitude, 127.01, 1e-9);
    EXPECT_EQ(first.speedKmh, 18);
    EXPECT_DOUBLE_EQ(first.heading, 90.5);

    // An empty GPS entry leaves position, speed and heading at 0 but keeps the sensor values.
    const TelemetryRecord& second = built.records[1];
    EXPECT_EQ(second.timeMs, 33u);
    EXPECT_EQ(second.latitude, 0);
    EXPECT_EQ(second.longitude, 0);
    EXPECT_EQ(second.speedKmh, 0);
    EXPECT_EQ(second.heading, 0);
    EXPECT_EQ(second.accelX, 50);
    EXPECT_EQ(second.accelY, -50);
    EXPECT_EQ(second.accelZ, 99);

    const TelemetryRecord& third = built.records[2];
    EXPECT_LT(third.latitude, 0);
    EXPECT_LT(third.longitude, 0);
    EXPECT_EQ(third.speedKmh, 185);
    EXPECT_EQ(third.accelZ, -25);
    EXPECT_EQ(built.eventTimeMs, 33u);
}

TEST(TelemetryBox, NoUdatMeansNoTelemetry) {
    TelemetryFile file = threeFrames();
    file.withUdat = false;
    TelemetryBox telemetry;
    EXPECT_FALSE(telemetry.read(writeTestFile("no-udat.mp4", file.bytes())));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::NoTelemetry);
    Built built = build(telemetry, frameTimes(3));
    EXPECT_TRUE(built.records.empty());
    EXPECT_EQ(built.eventTimeMs, 0u);

    EXPECT_FALSE(telemetry.read(::testing::TempDir() + "/does-not-exist.mp4"));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::CannotOpen);
    EXPECT_FALSE(telemetry.read(writeTestFile("empty.mp4", "")));
}

TEST(TelemetryBox, MissingSubBoxesReadAsZeros) {
    TelemetryFile file = threeFrames();
    file.withFlags = false;
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("no-finf.mp4", file.bytes())));
    Built built = build(telemetry, frameTimes(3));
    ASSERT_EQ(built.records.size(), 3u);
    EXPECT_EQ(built.eventTimeMs, 0u);
    EXPECT_EQ(built.records[0].accelX, -123);

    file = threeFrames();
    file.withGps = false;
    ASSERT_TRUE(telemetry.read(writeTestFile("no-gpsi.mp4", file.bytes())));
    built = build(telemetry, frameTimes(3));
    ASSERT_EQ(built.records.size(), 3u);
    EXPECT_EQ(built.records[0].latitude, 0);
    EXPECT_EQ(built.records[0].accelX, -123);  // sensors still found after a missing GPSI
    EXPECT_EQ(built.eventTimeMs, 33u);
}

TEST(TelemetryBox, ASecondReadForgetsTheFirstFilesEntries) {
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("first.mp4", threeFrames().bytes())));
    TelemetryFile bare;  // udat with empty sub-boxes
    ASSERT_TRUE(telemetry.read(writeTestFile("bare.mp4", bare.bytes())));
    Built built = build(telemetry, frameTimes(3));
    ASSERT_EQ(built.records.size(), 3u);
    for (const TelemetryRecord& r : built.records) {
        EXPECT_EQ(r.latitude, 0);
        EXPECT_EQ(r.accelX, 0);
    }
    EXPECT_EQ(built.eventTimeMs, 0u);
}

TEST(TelemetryBox, EveryFrameOfALongRecordingGetsItsRecord) {
    // 5400 frames: three minutes at 30 fps, more than any fixed record array held.
    TelemetryFile file;
    for (int i = 0; i < 5400; ++i) {
        file.sentences.push_back(rmcSentence("3724.5000", "N", "12700.6000", "E", "10.0",
                                             std::to_string(i % 360).c_str()));
        file.sensors.push_back({{float(i % 100) / 100.0f, 0, 0}});
        file.flags.push_back(i == 5000 ? 1 : 0);
    }
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("many.mp4", file.bytes())));
    EXPECT_EQ(telemetry.gpsEntryCount(), 5400);

    EXPECT_EQ(build(telemetry, frameTimes(1800)).records.size(), 1800u);
    Built all = build(telemetry, frameTimes(5400));
    ASSERT_EQ(all.records.size(), 5400u);
    EXPECT_EQ(all.records.back().timeMs, 5399u * 33u);
    EXPECT_DOUBLE_EQ(all.records.back().heading, 5399 % 360);
    EXPECT_EQ(all.records[5399].accelX, 99);
    EXPECT_EQ(all.eventTimeMs, 5000u * 33u);
    EXPECT_EQ(build(telemetry, frameTimes(5400), 10).records.size(), 10u);
    EXPECT_EQ(build(telemetry, frameTimes(0)).records.size(), 0u);

    // Fewer entries than packets: the later records carry only their times.
    TelemetryBox small;
    ASSERT_TRUE(small.read(writeTestFile("three-again.mp4", threeFrames().bytes())));
    Built longer = build(small, frameTimes(5));
    ASSERT_EQ(longer.records.size(), 5u);
    EXPECT_EQ(longer.records[4].timeMs, 132u);
    EXPECT_EQ(longer.records[4].latitude, 0);
    EXPECT_EQ(longer.records[4].accelX, 0);
    // More entries than packets: one record per packet.
    EXPECT_EQ(build(small, frameTimes(2)).records.size(), 2u);
}

TEST(TelemetryBox, TheLastFlaggedEntryGivesTheEventTime) {
    TelemetryFile file = threeFrames();
    file.flags = {1, 2, 1};  // only the value 1 marks the event point
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("flags.mp4", file.bytes())));
    EXPECT_EQ(build(telemetry, {100, 200, 300}).eventTimeMs, 300u);
    file.flags = {1, 2, 0};
    ASSERT_TRUE(telemetry.read(writeTestFile("flags2.mp4", file.bytes())));
    EXPECT_EQ(build(telemetry, {100, 200, 300}).eventTimeMs, 100u);
}

TEST(TelemetryBox, TimesKeepTheLow32Bits) {
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("times.mp4", threeFrames().bytes())));
    Built built = build(telemetry, {(int64_t(1) << 32) + 5, -1, 7});
    EXPECT_EQ(built.records[0].timeMs, 5u);
    EXPECT_EQ(built.records[1].timeMs, 0xFFFFFFFFu);
}

TEST(TelemetryBox, AccelerationConversionIsDefinedForAnyFloat) {
    EXPECT_EQ(accelerationToStored(-1.234f), -123);
    EXPECT_EQ(accelerationToStored(0.005f), 0);
    EXPECT_EQ(accelerationToStored(-0.009f), 0);
    EXPECT_EQ(accelerationToStored(400.0f), int16_t(40000 - 65536));  // low 16 bits
    EXPECT_EQ(accelerationToStored(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(accelerationToStored(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(accelerationToStored(3e38f), 0);
}

TEST(TelemetryBox, DamagedTopLevelSizesMeanNoTelemetryWithoutLoopingOrSeekingBack) {
    const std::string good = threeFrames().bytes();
    TelemetryBox telemetry;
    for (uint32_t badSize : {0u, 2u, 7u}) {
        std::string bytes = good;
        // The free box (second) gets the damaged size.
        std::memcpy(bytes.data() + 32, test::bigEndian32(badSize).data(), 4);
        EXPECT_FALSE(telemetry.read(writeTestFile("bad-size.mp4", bytes))) << badSize;
        EXPECT_EQ(telemetry.status(), badSize == 0 ? TelemetryReadStatus::NoTelemetry
                                                   : TelemetryReadStatus::DamagedBoxHeader);
        EXPECT_TRUE(build(telemetry, frameTimes(3)).records.empty());
    }
    // A media data box that claims more bytes than the file holds (a truncated recording).
    std::string bytes = good;
    std::memcpy(bytes.data() + 40, test::bigEndian32(0x7FFFFFF0u).data(), 4);
    EXPECT_FALSE(telemetry.read(writeTestFile("huge-mdat.mp4", bytes)));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::DamagedBoxHeader);
    // The file ends inside the first box headers.
    EXPECT_FALSE(telemetry.read(writeTestFile("cut-header.mp4", good.substr(0, 36))));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::DamagedBoxHeader);
    EXPECT_FALSE(
        telemetry.read(writeTestFile("three-boxes-only.mp4", threeFrames().leadingBoxes())));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::NoTelemetry);
}

TEST(TelemetryBox, IsFoundWhereverOtherWritersPutTheMovieBox) {
    const TelemetryFile file = threeFrames();
    const std::string ftyp = box("ftyp", std::string("isom\0\0\2\0isomiso2avc1mp41", 24));
    const std::string moov = box("moov", box("mvhd", std::string(100, '\0')) + file.udat() +
                                             box("udta", std::string(40, '\0')));
    const std::string mdat = box("mdat", file.mediaData);
    // A media data box bigger than one bulk read before the movie box.
    const std::string bigMdat = box("mdat", std::string(3'200'000, 'u'));
    const std::vector<std::pair<const char*, std::string>> layouts = {
        {"moov-first.mp4", ftyp + moov + box("free", "") + mdat},
        {"extra-box.mp4", ftyp + box("uuid", std::string(24, 'x')) + box("free", "") + mdat + moov},
        {"two-extra.mp4", ftyp + box("wide", "") + box("skip", "") + box("free", "") + mdat + moov},
        {"big-mdat.mp4", ftyp + bigMdat + moov},
        {"udat-top.mp4", ftyp + mdat + file.udat()},
    };
    for (const auto& [name, bytes] : layouts) {
        TelemetryBox telemetry;
        ASSERT_TRUE(telemetry.read(writeTestFile(name, bytes))) << name;
        EXPECT_EQ(telemetry.status(), TelemetryReadStatus::Found) << name;
        Built built = build(telemetry, {0, 33, 67});
        ASSERT_EQ(built.records.size(), 3u) << name;
        EXPECT_EQ(built.records[0].accelX, -123) << name;
        EXPECT_EQ(built.eventTimeMs, 33u) << name;
    }
    // "udat" bytes inside the media data are not taken for the box.
    std::string decoy = ftyp + box("mdat", std::string("\0\0\0\x10udatGPSI\0\0\0\0", 16)) +
                        box("moov", box("mvhd", ""));
    TelemetryBox telemetry;
    EXPECT_FALSE(telemetry.read(writeTestFile("decoy.mp4", decoy)));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::NoTelemetry);
}

TEST(TelemetryBox, EachFailureHasItsOwnReason) {
    TelemetryBox telemetry;
    EXPECT_FALSE(telemetry.read(writeTestFile("empty.mp4", "")));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::EmptyFile);
    EXPECT_FALSE(telemetry.read(::testing::TempDir() + "/no-such-file.mp4"));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::CannotOpen);
    EXPECT_FALSE(telemetry.read(::testing::TempDir()));  // a folder, not a file
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::CannotOpen);
    EXPECT_FALSE(telemetry.read(writeTestFile("text.mp4", "This is not a video recording.\n")));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::DamagedBoxHeader);
    TelemetryFile file = threeFrames();
    file.withUdat = false;
    EXPECT_FALSE(telemetry.read(writeTestFile("no-udat.mp4", file.bytes())));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::NoTelemetry);
    std::set<std::string> texts;
    for (auto status : {TelemetryReadStatus::Found, TelemetryReadStatus::CannotOpen,
                        TelemetryReadStatus::NoTelemetry, TelemetryReadStatus::DamagedBoxHeader,
                        TelemetryReadStatus::EmptyFile})
        texts.insert(telemetryReadStatusText(status));
    EXPECT_EQ(texts.size(), 5u);
}

TEST(TelemetryBox, A64BitMediaDataSizeIsFollowed) {
    TelemetryFile file = threeFrames();
    std::string mdat64 = test::bigEndian32(1) + "mdat" + test::bigEndian32(0) +
                         test::bigEndian32(uint32_t(16 + file.mediaData.size())) + file.mediaData;
    std::string bytes = box("ftyp", "isom") + box("free", "") + mdat64 + box("moov", file.udat());
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("mdat64.mp4", bytes)));
    EXPECT_EQ(build(telemetry, frameTimes(3)).records[0].accelX, -123);

    // A 64-bit size below its own header is damage.
    std::string bad = box("ftyp", "isom") + test::bigEndian32(1) + "free" + test::bigEndian32(0) +
                      test::bigEndian32(8) + bytes;
    EXPECT_FALSE(telemetry.read(writeTestFile("mdat64-bad.mp4", bad)));
    EXPECT_EQ(telemetry.status(), TelemetryReadStatus::DamagedBoxHeader);
}

TEST(TelemetryBox, SubBoxCopiesStayWithinTheBytesRead) {
    TelemetryFile file = threeFrames();
    std::string bytes = file.bytes();

    // A GPSI size far beyond the file: only what was read is copied, and the copied bytes
    // are the real entries.
    std::string huge = bytes;
    size_t gpsi = huge.find("GPSI");
    std::memcpy(huge.data() + gpsi - 4, test::bigEndian32(0xFFFFFFF0u).data(), 4);
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("huge-gpsi.mp4", huge)));
    EXPECT_NEAR(build(telemetry, frameTimes(1)).records[0].latitude, 37.408333333, 1e-9);

    // Sizes 0..8 copy nothing.
    std::string tiny = bytes;
    std::memcpy(tiny.data() + gpsi - 4, test::bigEndian32(8).data(), 4);
    ASSERT_TRUE(telemetry.read(writeTestFile("tiny-gpsi.mp4", tiny)));
    EXPECT_EQ(telemetry.gpsEntryCount(), 0);
    EXPECT_EQ(build(telemetry, frameTimes(1)).records[0].accelX, -123);

    // The file ends in the middle of the second GPS entry: the first entry survives, the
    // partial one is cut short, and nothing is read past the end.
    std::string cut = bytes.substr(0, gpsi + 4 + 128 + 40);
    ASSERT_TRUE(telemetry.read(writeTestFile("cut-gpsi.mp4", cut)));
    EXPECT_EQ(telemetry.gpsEntryCount(), 2);
    EXPECT_EQ(telemetry.sensorEntryCount(), 0);
    Built built = build(telemetry, frameTimes(3));
    EXPECT_NEAR(built.records[0].latitude, 37.408333333, 1e-9);
    EXPECT_EQ(built.records[0].accelX, 0);
}

TEST(TelemetryBox, AGpsEntryWithoutNulIsReadToItsEnd) {
    TelemetryFile file;
    std::string sentence = rmcSentence("3724.5000", "N", "12700.6000", "E", "10.0", "90.5");
    sentence.resize(128, ',');  // fills the entry completely, no NUL
    file.sentences = {sentence, rmcSentence("0100.0", "N", "00200.0", "E", "0", "0")};
    file.sensors = {{{0, 0, 0}}, {{0, 0, 0}}};
    TelemetryBox telemetry;
    ASSERT_TRUE(telemetry.read(writeTestFile("no-nul.mp4", file.bytes())));
    Built built = build(telemetry, frameTimes(2));
    EXPECT_NEAR(built.records[0].latitude, 37.408333333, 1e-9);
    EXPECT_DOUBLE_EQ(built.records[0].heading, 90.5);
    EXPECT_DOUBLE_EQ(built.records[1].latitude, 1);  // the next entry is not run into
}

TEST(TelemetryLookup, ReportsTheRecordBeforeTheFirstLaterOne) {
    std::vector<TelemetryRecord> records(4);
    for (int i = 0; i < 4; ++i) records[size_t(i)].timeMs = uint32_t(100 + i * 33);  // 100..199
    const TelemetryRecord* r = records.data();
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 100), 0);
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 133), 1);
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 150), 1);  // between frames
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 166), 2);
    // The last frame has no later record: nothing is reported.
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 199), -1);
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 5000), -1);
    // A packet earlier than the first record gets no report.
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, 50), -1);
    EXPECT_EQ(telemetryIndexForPacketTime(r, 4, -1), -1);
    EXPECT_EQ(telemetryIndexForPacketTime(r, 0, 100), -1);
    EXPECT_EQ(telemetryIndexForPacketTime(nullptr, 4, 100), -1);
    // Record times are unsigned: a large one is later than any negative packet time, and is
    // compared as a 64-bit value, not wrapped.
    records[0].timeMs = 0;
    records[1].timeMs = 0xFFFFFFF0u;
    EXPECT_EQ(telemetryIndexForPacketTime(r, 2, 1000), 0);
}

}  // namespace
}  // namespace moksel
