// Repairs of generated recordings cut the way a power cut leaves them: the repaired files must
// hold, byte for byte and in order, every sample that lay wholly before the cut, and the pictures
// must show the generator's frame numbers in order.
#include "repair/recording_repair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "media_probe.h"
#include "recording/recording_name.h"
#include "recording_generator.h"
#include "repair/file_layout.h"
#include "repair_fixtures.h"

namespace moksel::repair {
namespace {

namespace fs = std::filesystem;
using test::hashesBefore;
using test::hashesOf;
using test::readPackets;

gen::GenResult generate(const std::string& folder, int hour, int minute, int width, int height,
                        bool sound) {
    gen::GenOptions options;
    options.outputDir = folder;
    options.frames = 90;
    options.width = width;
    options.height = height;
    options.sound = sound;
    options.start.hour = hour;
    options.start.minute = minute;
    gen::GenResult result;
    std::string error;
    EXPECT_TRUE(gen::generatePair(options, result, error)) << error;
    return result;
}

// One healthy pair to learn from and one pair to cut, made once.
struct Sources {
    std::string folder;
    gen::GenResult reference, source;
};

const Sources& sources() {
    static const Sources s = [] {
        Sources made;
        made.folder = gen::test::freshFolder("repair-sources");
        made.reference = generate(made.folder, 8, 0, 192, 108, true);
        made.source = generate(made.folder + "/source", 8, 10, 192, 108, true);
        return made;
    }();
    return s;
}

void writePrefix(const std::string& from, const std::string& to, int64_t cut) {
    auto bytes = test::fileBytes(from);
    bytes.resize(size_t(cut));
    test::writeBytes(to, bytes);
}

// A folder with the reference pair and the source pair cut at `fraction` of each file's size.
struct CutPair {
    std::string folder, front, rear;
    int64_t frontCut = 0, rearCut = 0;
};

CutPair cutPair(const std::string& name, double fraction) {
    const Sources& s = sources();
    CutPair cut;
    cut.folder = gen::test::freshFolder(name);
    for (const std::string& f : {s.reference.frontPath, s.reference.rearPath})
        fs::copy_file(f, cut.folder + "/" + fs::path(f).filename().string());
    cut.front = cut.folder + "/" + fs::path(s.source.frontPath).filename().string();
    cut.rear = cut.folder + "/" + fs::path(s.source.rearPath).filename().string();
    cut.frontCut = int64_t(double(fs::file_size(s.source.frontPath)) * fraction);
    cut.rearCut = int64_t(double(fs::file_size(s.source.rearPath)) * fraction);
    writePrefix(s.source.frontPath, cut.front, cut.frontCut);
    writePrefix(s.source.rearPath, cut.rear, cut.rearCut);
    return cut;
}

void expectWholePacketsBefore(const std::string& original, const std::string& repaired,
                              int64_t cut) {
    const auto before = readPackets(original);
    const auto after = readPackets(repaired);
    ASSERT_FALSE(hashesOf(after, true).empty());
    for (bool video : {true, false}) {
        SCOPED_TRACE(video ? "video" : "sound");
        EXPECT_EQ(hashesOf(after, video), hashesBefore(before, video, cut));
        EXPECT_EQ(test::ptsBefore(after, video, INT64_MAX), test::ptsBefore(before, video, cut));
    }
}

void expectFramesInOrder(const std::string& path, size_t count) {
    const std::vector<int> numbers = test::frameNumbers(path);
    ASSERT_EQ(numbers.size(), count);
    for (size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], int(i)) << "picture " << i;
}

TEST(RecordingRepair, CutPairsKeepEveryWholeSampleInOrder) {
    const Sources& s = sources();
    for (double fraction : {0.1, 0.5, 0.9}) {
        SCOPED_TRACE("cut at " + std::to_string(fraction));
        const CutPair cut = cutPair("repair-cut-" + std::to_string(int(fraction * 100)), fraction);
        EXPECT_EQ(quickFileState(cut.front), FileState::IndexMissing);
        const uint64_t frontHash = test::hashFile(cut.front), rearHash = test::hashFile(cut.rear);

        const PairRepairReport report = repairPair({cut.front, "", "", {}, nullptr});
        ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
        ASSERT_TRUE(report.rear.has_value());
        const std::string frontOut =
            cut.folder + "/REPAIRED/" + fs::path(cut.front).filename().string();
        const std::string rearOut =
            cut.folder + "/REPAIRED/" + fs::path(cut.rear).filename().string();
        EXPECT_EQ(report.frontOutput, frontOut);
        EXPECT_EQ(report.front.reference,
                  cut.folder + "/" + fs::path(s.reference.frontPath).filename().string());
        expectWholePacketsBefore(s.source.frontPath, frontOut, cut.frontCut);
        expectWholePacketsBefore(s.source.rearPath, rearOut, cut.rearCut);
        const auto original = readPackets(s.source.frontPath);
        const size_t videos = hashesBefore(original, true, cut.frontCut).size();
        EXPECT_EQ(size_t(report.front.videoSamples), videos);
        EXPECT_EQ(size_t(report.front.soundSamples),
                  hashesBefore(original, false, cut.frontCut).size());
        expectFramesInOrder(frontOut, videos);
        expectFramesInOrder(rearOut,
                            hashesBefore(readPackets(s.source.rearPath), true, cut.rearCut).size());
        EXPECT_EQ(fileState(frontOut), FileState::Whole);
        // The originals are only read.
        EXPECT_EQ(test::hashFile(cut.front), frontHash);
        EXPECT_EQ(test::hashFile(cut.rear), rearHash);
    }
}

// A cut front alone with its whole rear: nothing to learn the format from. The repair says so
// and leaves the folder as it was (no copy of the rear, no REPAIRED folder); one kept from an
// earlier repair stays.
TEST(RecordingRepair, AFailedPairRepairLeavesNothingBehind) {
    const Sources& s = sources();
    const std::string folder = gen::test::freshFolder("repair-no-reference");
    const std::string front = folder + "/" + fs::path(s.source.frontPath).filename().string();
    const std::string rear = folder + "/" + fs::path(s.source.rearPath).filename().string();
    writePrefix(s.source.frontPath, front, int64_t(fs::file_size(s.source.frontPath) / 2));
    fs::copy_file(s.source.rearPath, rear);
    const PairRepairReport report = repairPair({front, "", "", {}, nullptr});
    EXPECT_EQ(report.outcome, RepairOutcome::Failed);
    EXPECT_TRUE(report.front.referenceMissing) << report.message;
    EXPECT_FALSE(fs::exists(folder + "/REPAIRED"));

    fs::create_directory(folder + "/REPAIRED");
    const std::string kept = folder + "/REPAIRED/" + fs::path(rear).filename().string();
    test::writeBytes(kept, {1, 2, 3});
    EXPECT_EQ(repairPair({front, "", "", {}, nullptr}).outcome, RepairOutcome::Failed);
    EXPECT_EQ(test::fileBytes(kept), (std::vector<uint8_t>{1, 2, 3}));
}

// The media data box of a cut file: its size field set to 0 (up to the end of the file), or
// the file ends exactly where the media data does (the index was never written).
TEST(RecordingRepair, MediaBoxToTheEndOrWithoutIndex) {
    const Sources& s = sources();
    const FileLayout layout = readFileLayout(s.source.frontPath);
    ASSERT_TRUE(layout.hasMedia && layout.hasIndex && !layout.indexFirst);
    const std::string folder = gen::test::freshFolder("repair-mdat");
    const std::string sizeZero = folder + "/drf0_20120301_090000.mp4";
    auto bytes = test::fileBytes(s.source.frontPath);
    bytes.resize(size_t(layout.mediaEnd));  // no index at all
    test::writeBytes(folder + "/drf0_20120301_091000.mp4", bytes);
    bytes.resize(bytes.size() * 7 / 10);
    for (int i = 0; i < 4; ++i) bytes[size_t(layout.mediaBegin) - 8 + size_t(i)] = 0;
    test::writeBytes(sizeZero, bytes);

    for (const auto& [path, cut] :
         {std::pair{sizeZero, int64_t(bytes.size())},
          std::pair{folder + "/drf0_20120301_091000.mp4", int64_t(layout.mediaEnd)}}) {
        SCOPED_TRACE(path);
        const RepairReport report =
            repairFile({path, s.reference.frontPath, path + ".repaired.mp4", {}, nullptr});
        ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
        expectWholePacketsBefore(s.source.frontPath, report.output, cut);
    }
}

TEST(RecordingRepair, CutInsideASampleLosesOnlyThatSample) {
    const Sources& s = sources();
    const auto packets = readPackets(s.source.frontPath);
    const std::string folder = gen::test::freshFolder("repair-inside");
    int videoSeen = 0, soundSeen = 0;
    for (const test::PacketRecord& p : packets) {
        const bool pick = p.video ? ++videoSeen == 40 : ++soundSeen == 30;
        if (!pick || p.size < 4) continue;
        SCOPED_TRACE(p.video ? "video sample" : "sound sample");
        const int64_t cut = p.pos + p.size / 2;
        const std::string path =
            folder + (p.video ? "/drf0_20120301_090000.mp4" : "/drf0_20120301_091000.mp4");
        writePrefix(s.source.frontPath, path, cut);
        const RepairReport report =
            repairFile({path, s.reference.frontPath, path + ".repaired.mp4", {}, nullptr});
        ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
        expectWholePacketsBefore(s.source.frontPath, report.output, cut);
    }
    EXPECT_GE(videoSeen, 40);
}

// Unknown bytes, a padding box and a run of zeros between samples are stepped over and every
// sample after them is kept.
TEST(RecordingRepair, GarbageBetweenSamplesIsSkipped) {
    const Sources& s = sources();
    const FileLayout layout = readFileLayout(s.source.frontPath);
    const auto packets = readPackets(s.source.frontPath);
    const auto original = test::fileBytes(s.source.frontPath);
    std::mt19937 random(7);
    auto noise = [&](size_t n) {
        std::vector<uint8_t> v(n);
        for (uint8_t& b : v) b = uint8_t(random());
        return v;
    };
    std::vector<uint8_t> freeBox = {0, 0, 0, 200, 'f', 'r', 'e', 'e'};
    freeBox.resize(200, 0x5a);
    // After the 10th video sample, the 20th sound sample and the 50th video sample.
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> inserts;
    int videos = 0, sounds = 0;
    for (const test::PacketRecord& p : packets) {
        if (p.video && ++videos == 10) inserts.push_back({p.pos + p.size, noise(13)});
        if (!p.video && ++sounds == 20) inserts.push_back({p.pos + p.size, noise(700)});
        if (p.video && videos == 50) inserts.push_back({p.pos + p.size, freeBox});
        if (p.video && videos == 60)
            inserts.push_back({p.pos + p.size, std::vector<uint8_t>(64, 0)});
    }
    ASSERT_EQ(inserts.size(), 4u);
    std::vector<uint8_t> bytes;
    int64_t at = 0;
    for (const auto& [pos, block] : inserts) {
        bytes.insert(bytes.end(), original.begin() + at, original.begin() + pos);
        bytes.insert(bytes.end(), block.begin(), block.end());
        at = pos;
    }
    bytes.insert(bytes.end(), original.begin() + at, original.begin() + int64_t(layout.mediaEnd));
    for (int i = 0; i < 4; ++i) bytes[size_t(layout.mediaBegin) - 8 + size_t(i)] = 0;

    const std::string folder = gen::test::freshFolder("repair-garbage");
    const std::string path = folder + "/drf0_20120301_090000.mp4";
    test::writeBytes(path, bytes);
    const RepairReport report =
        repairFile({path, s.reference.frontPath, folder + "/out.mp4", {}, nullptr});
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
    EXPECT_GE(report.skippedBytes, 13u + 700u + 200u);
    expectWholePacketsBefore(s.source.frontPath, report.output, int64_t(layout.mediaEnd));
    expectFramesInOrder(report.output, hashesOf(packets, true).size());
}

// Megabytes of unknown bytes before the samples (a card's stale data): the scan gets through
// them and keeps every sample after them.
TEST(RecordingRepair, LongStretchOfUnknownBytesBeforeTheSamples) {
    const Sources& s = sources();
    const FileLayout layout = readFileLayout(s.source.frontPath);
    auto bytes = test::fileBytes(s.source.frontPath);
    bytes.resize(size_t(layout.mediaEnd));
    std::mt19937 random(11);
    std::vector<uint8_t> stale(6u << 20);
    for (uint8_t& b : stale) b = uint8_t(random());
    bytes.insert(bytes.begin() + int64_t(layout.mediaBegin), stale.begin(), stale.end());
    for (int i = 0; i < 4; ++i) bytes[size_t(layout.mediaBegin) - 8 + size_t(i)] = 0;
    const std::string folder = gen::test::freshFolder("repair-stale");
    const std::string path = folder + "/drf0_20120301_090000.mp4";
    test::writeBytes(path, bytes);
    const RepairReport report =
        repairFile({path, s.reference.frontPath, folder + "/out.mp4", {}, nullptr});
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
    EXPECT_EQ(report.skippedBytes, stale.size());
    expectWholePacketsBefore(s.source.frontPath, report.output, int64_t(layout.mediaEnd));
}

// A camera that writes its samples in runs (a second of video, then a second of sound) and
// repeats its parameter sets before every key picture.
TEST(RecordingRepair, SamplesInRunsWithParameterSetsInBand) {
    const Sources& s = sources();
    const auto packets = readPackets(s.source.frontPath);
    const auto original = test::fileBytes(s.source.frontPath);
    const auto reference = test::fileBytes(s.reference.frontPath);
    // The parameter sets as the camera writes them in band: length-prefixed NAL units.
    std::vector<uint8_t> parameterSets;
    {
        const std::string tag = "avcC";
        const auto at = std::search(reference.begin(), reference.end(), tag.begin(), tag.end());
        ASSERT_NE(at, reference.end());
        size_t p = size_t(at - reference.begin()) + 4 + 5;
        for (int set = 0; set < 2; ++set) {
            const int count = set == 0 ? (reference[p] & 0x1f) : reference[p];
            ++p;
            for (int i = 0; i < count; ++i) {
                const size_t length = size_t(reference[p]) << 8 | reference[p + 1];
                p += 2;
                parameterSets.insert(parameterSets.end(),
                                     {0, 0, uint8_t(length >> 8), uint8_t(length)});
                parameterSets.insert(parameterSets.end(), reference.begin() + int64_t(p),
                                     reference.begin() + int64_t(p + length));
                p += length;
            }
        }
    }
    std::vector<std::vector<uint8_t>> video, sound;
    for (const test::PacketRecord& p : packets) {
        std::vector<uint8_t> bytes(original.begin() + p.pos, original.begin() + p.pos + p.size);
        if (p.video && video.size() % 30 == 0)
            bytes.insert(bytes.begin(), parameterSets.begin(), parameterSets.end());
        (p.video ? video : sound).push_back(std::move(bytes));
    }
    std::vector<uint8_t> file(original.begin(), original.begin() + 32);  // ftyp and free
    const std::vector<uint8_t> header = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
    file.insert(file.end(), header.begin(), header.end());
    const size_t mediaBegin = file.size();
    for (size_t v = 0, a = 0; v < video.size() || a < sound.size();) {
        for (int i = 0; i < 30 && v < video.size(); ++i, ++v)
            file.insert(file.end(), video[v].begin(), video[v].end());
        for (int i = 0; i < 22 && a < sound.size(); ++i, ++a)
            file.insert(file.end(), sound[a].begin(), sound[a].end());
    }
    ASSERT_EQ(std::string(original.begin() + 36, original.begin() + 40), "free");
    const std::string folder = gen::test::freshFolder("repair-runs");
    const std::string path = folder + "/drf0_20120301_090000.mp4";
    test::writeBytes(path, file);
    ASSERT_EQ(readFileLayout(path).mediaBegin, mediaBegin);

    const RepairReport report =
        repairFile({path, s.reference.frontPath, folder + "/out.mp4", {}, nullptr});
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.message;
    EXPECT_EQ(report.skippedBytes, 0u);
    const auto repaired = readPackets(report.output);
    for (bool isVideo : {true, false}) {
        std::vector<uint64_t> expected;
        for (const auto& bytes : isVideo ? video : sound)
            expected.push_back(test::hashBytes(bytes));
        EXPECT_EQ(hashesOf(repaired, isVideo), expected) << (isVideo ? "video" : "sound");
    }
    expectFramesInOrder(report.output, video.size());
}

TEST(RecordingRepair, RefusesAReferenceThatDoesNotFit) {
    const Sources& s = sources();
    const std::string folder = gen::test::freshFolder("repair-refused");
    const gen::GenResult otherSize = generate(folder + "/size", 7, 0, 128, 72, true);
    const gen::GenResult silent = generate(folder + "/silent", 7, 30, 192, 108, false);
    const std::string path = folder + "/drf0_20120301_081000.mp4";
    writePrefix(s.source.frontPath, path, int64_t(fs::file_size(s.source.frontPath) / 2));
    const uint64_t hash = test::hashFile(path);

    const RepairReport sized =
        repairFile({path, otherSize.frontPath, folder + "/a.mp4", {}, nullptr});
    EXPECT_EQ(sized.outcome, RepairOutcome::Refused);
    EXPECT_NE(sized.message.find("another resolution"), std::string::npos) << sized.message;
    const RepairReport mute = repairFile({path, silent.frontPath, folder + "/b.mp4", {}, nullptr});
    EXPECT_EQ(mute.outcome, RepairOutcome::Refused);
    EXPECT_NE(mute.message.find("no sound"), std::string::npos) << mute.message;
    const RepairReport cutReference = repairFile({path, path, folder + "/c.mp4", {}, nullptr});
    EXPECT_EQ(cutReference.outcome, RepairOutcome::Refused);
    EXPECT_FALSE(fs::exists(folder + "/a.mp4") || fs::exists(folder + "/b.mp4") ||
                 fs::exists(folder + "/c.mp4"));
    EXPECT_EQ(test::hashFile(path), hash);
    // Nothing beside it to learn from.
    const RepairReport alone = repairFile({path, "", folder + "/d.mp4", {}, nullptr});
    EXPECT_EQ(alone.outcome, RepairOutcome::Failed);
    EXPECT_NE(alone.message.find("reference"), std::string::npos) << alone.message;
}

TEST(RecordingRepair, WholeAndForeignFilesAreLeftAlone) {
    const Sources& s = sources();
    const PairRepairReport whole = repairPair({s.reference.frontPath, "", "", {}, nullptr});
    EXPECT_EQ(whole.outcome, RepairOutcome::NothingToRepair) << whole.message;
    EXPECT_FALSE(fs::exists(defaultRepairFolder(s.reference.frontPath)));

    const std::string folder = gen::test::freshFolder("repair-foreign");
    const std::string text = folder + "/drf0_20120301_081000.mp4";
    test::writeBytes(text, std::vector<uint8_t>(5000, 'x'));
    EXPECT_EQ(quickFileState(text), FileState::NotRecording);
    const PairRepairReport foreign = repairPair({text, s.reference.frontPath, "", {}, nullptr});
    EXPECT_EQ(foreign.outcome, RepairOutcome::Failed);
    EXPECT_FALSE(foreign.message.empty());
}

TEST(RecordingRepair, CancelStopsWithoutLeavingAFile) {
    const CutPair cut = cutPair("repair-cancel", 0.8);
    std::atomic<bool> cancel{false};
    double last = -1;
    bool rising = true;
    PairRepairJob job{cut.front, "", "", {}, &cancel};
    job.progress = [&](double f) {
        rising = rising && f >= last;
        last = f;
        cancel = true;
    };
    const PairRepairReport report = repairPair(job);
    EXPECT_EQ(report.outcome, RepairOutcome::Cancelled);
    EXPECT_TRUE(rising);
    EXPECT_FALSE(fs::exists(cut.folder + "/REPAIRED/" + fs::path(cut.front).filename().string()));
}

}  // namespace
}  // namespace moksel::repair
