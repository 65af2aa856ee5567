// Repairs of files the system's ffmpeg program writes: H.264 with reordered (B) pictures of
// several slices and 48 kHz stereo AAC with the index at the end, and a copy with the index in
// front whose media data is cut short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "media_probe.h"
#include "recording_generator.h"
#include "repair/file_layout.h"
#include "repair/recording_repair.h"
#include "repair_fixtures.h"

namespace moksel::repair {
namespace {

namespace fs = std::filesystem;

bool haveFfmpeg() {
    return std::system("ffmpeg -version > /dev/null 2>&1") == 0;
}

bool run(const std::string& command) {
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

std::string generated(const std::string& folder, int minute) {
    gen::GenOptions options;
    options.outputDir = folder + "/gen" + std::to_string(minute);
    options.frames = 90;
    options.width = 192;
    options.height = 108;
    options.rear = gen::RearKind::Missing;
    options.start.minute = minute;
    gen::GenResult result;
    std::string error;
    EXPECT_TRUE(gen::generatePair(options, result, error)) << error;
    return result.frontPath;
}

void cutTo(const std::string& from, const std::string& to, double fraction) {
    auto bytes = test::fileBytes(from);
    bytes.resize(size_t(double(bytes.size()) * fraction));
    test::writeBytes(to, bytes);
}

TEST(RecordingRepairFfmpeg, ReorderedPicturesAndStereoSound) {
    if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg program";
    const std::string folder = gen::test::freshFolder("repair-ffmpeg");
    // Reordered pictures of three slices each, 48 kHz stereo sound.
    const std::string encode =
        " -c:v libx264 -preset veryfast -bf 2 -x264-params slices=3"
        " -c:a aac -ar 48000 -ac 2 -b:a 96k ";
    const std::string reference = folder + "/drf0_20120301_082000.mp4";
    const std::string whole = folder + "/whole.mp4";
    ASSERT_TRUE(run("ffmpeg -y -i " + generated(folder, 10) + encode + reference));
    ASSERT_TRUE(run("ffmpeg -y -i " + generated(folder, 20) + encode + whole));
    const auto packets = test::readPackets(whole);
    // The encoder did reorder pictures: some video packet shows before the one decoded earlier.
    int reordered = 0;
    int64_t lastPts = INT64_MIN;
    for (const test::PacketRecord& p : packets) {
        if (!p.video) continue;
        reordered += p.pts < lastPts;
        lastPts = p.pts;
    }
    ASSERT_GT(reordered, 0);
    const std::string broken = folder + "/drf0_20120301_083000.mp4";
    const int64_t cut = int64_t(double(fs::file_size(whole)) * 0.6);
    cutTo(whole, broken, 0.6);

    const RepairReport report =
        repairFile({broken, reference, folder + "/repaired.mp4", {}, nullptr});
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
    const auto repaired = test::readPackets(report.output);
    for (bool video : {true, false}) {
        SCOPED_TRACE(video ? "video" : "sound");
        EXPECT_EQ(test::hashesOf(repaired, video), test::hashesBefore(packets, video, cut));
        // Display times relative to the first picture, reordering included.
        EXPECT_EQ(test::ptsBefore(repaired, video, INT64_MAX),
                  test::ptsBefore(packets, video, cut));
    }
    // Shown in the order they were filmed: the reordered pictures got their display times back.
    const std::vector<int> numbers = test::frameNumbers(report.output);
    ASSERT_EQ(numbers.size(), test::hashesBefore(packets, true, cut).size());
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.front(), 0);
    for (size_t i = 1; i < numbers.size(); ++i) EXPECT_GT(numbers[i], numbers[i - 1]) << i;
    EXPECT_GE(numbers.back(), int(numbers.size()) - 3);
}

TEST(RecordingRepairFfmpeg, IndexInFrontMediaCutShort) {
    if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg program";
    const std::string folder = gen::test::freshFolder("repair-faststart");
    const std::string whole = folder + "/whole.mp4";
    ASSERT_TRUE(
        run("ffmpeg -y -i " + generated(folder, 40) + " -c copy -movflags +faststart " + whole));
    const std::string broken = folder + "/drf0_20120301_084000.mp4";
    cutTo(whole, broken, 0.7);
    EXPECT_EQ(fileState(broken), FileState::MediaCut);
    const uint64_t hash = test::hashFile(broken);

    const RepairReport report = repairFile({broken, "", folder + "/repaired.mp4", {}, nullptr});
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
    const auto packets = test::readPackets(whole);
    const auto repaired = test::readPackets(report.output);
    const int64_t cut = int64_t(fs::file_size(broken));
    for (bool video : {true, false}) {
        SCOPED_TRACE(video ? "video" : "sound");
        EXPECT_EQ(test::hashesOf(repaired, video), test::hashesBefore(packets, video, cut));
        EXPECT_FALSE(test::hashesOf(repaired, video).empty());
    }
    EXPECT_EQ(test::hashFile(broken), hash);
}

}  // namespace
}  // namespace moksel::repair
