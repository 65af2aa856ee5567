// Opening recordings through the command queue: the reports the main window gets, the packet
// indexes, and every way a recording can be refused or play front only.
#include <fstream>

#include "engine/video_decoder.h"
#include "engine_test_support.h"

extern "C" {
#include <libavutil/avutil.h>
}

namespace moksel::test {
namespace {

using Message = RecordingTarget::Message;

std::vector<unsigned> numbersAfter(const std::vector<Message>& all, size_t from) {
    std::vector<unsigned> numbers;
    for (size_t i = from; i < all.size(); ++i) numbers.push_back(all[i].number);
    return numbers;
}

const Message* find(const std::vector<Message>& all, unsigned number) {
    for (const Message& m : all) {
        if (m.number == number) return &m;
    }
    return nullptr;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class EngineOpenTest : public EngineTest {};

TEST_F(EngineOpenTest, PairOpensWithReportsInOrderAndIndexesEveryPacket) {
    gen::GenOptions options = smallOptions(90);
    options.type = "evt";
    const gen::GenResult pair = makeRecording("pair", options);
    ASSERT_GE(pair.shockFrame, 0);
    mainWindow.clear();
    ASSERT_TRUE(openAndWait(pair.frontPath));

    const auto all = mainWindow.messages();
    // Stop's reports, then Close (run by Open), telemetry, length, and the end of the open.
    const std::vector<unsigned> expected = {UM_POSITION,  UM_TELEMETRY_TIME,    UM_INFO_CHANGED,
                                            UM_TIME,      UM_RESET_PAN,         UM_TELEMETRY_CLEARED,
                                            UM_TELEMETRY_LOADED, UM_RECORDING_LENGTH, UM_OPEN_DONE};
    EXPECT_EQ(numbersAfter(all, 0), expected);
    const Message* length = find(all, UM_RECORDING_LENGTH);
    ASSERT_NE(length, nullptr);
    EXPECT_TRUE(length->sent);
    EXPECT_EQ(length->wParam, static_cast<WParam>(pair.track[pair.shockFrame].timeMs / 100));
    EXPECT_EQ(length->lParam, 30);  // 3 s in tenths
    const Message* done = find(all, UM_OPEN_DONE);
    EXPECT_TRUE(done->sent);
    EXPECT_EQ(done->wParam, 0u);
    EXPECT_EQ(done->lParam, 30);

    EXPECT_EQ(playbackState.openState, FrontAndRear);
    EXPECT_EQ(frontCount(), 90);
    EXPECT_EQ(rearCount(), 90);
    EXPECT_EQ(playbackState.telemetryCount, 90);
    {
        auto lock = lockCameraPictures(kFrontCamera);
        const PacketIndex& front = context().cameras[kFrontCamera].index;
        for (int seq = 1; seq <= front.count(); ++seq) {
            ASSERT_EQ(front.at(seq)->timeMs, gen::frameTimeMs(seq - 1, 30)) << seq;
        }
        EXPECT_TRUE(front.at(1)->isKey());
        EXPECT_TRUE(front.at(31)->isKey());
        EXPECT_FALSE(front.at(2)->isKey());
    }
    // Sound packets: 1024 samples at 22050 Hz each, times in ms rising from the start.
    const PacketIndex& sound = context().soundIndex;
    ASSERT_GT(sound.count(), 60);
    for (int seq = 2; seq <= sound.count(); ++seq) {
        ASSERT_GE(sound.at(seq)->timeMs, sound.at(seq - 1)->timeMs);
    }
    const int64_t lastMs = sound.at(sound.count())->timeMs;
    EXPECT_GT(lastMs, 2800);
    EXPECT_LT(lastMs, 3200);
    EXPECT_EQ(sound.at(2)->durationMs, 1024 * 1000 / 22050);
}

TEST_F(EngineOpenTest, FrontOnlyAndSelfPairedRecordings) {
    gen::GenOptions options = smallOptions(60);
    options.rear = gen::RearKind::Missing;
    const gen::GenResult single = makeRecording("front-only", options);
    mainWindow.clear();
    ASSERT_TRUE(openAndWait(single.frontPath));
    EXPECT_EQ(mainWindow.count(UM_REAR_OPEN_FAILED), 0);
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 1);
    EXPECT_EQ(playbackState.openState, FrontOnly);
    EXPECT_EQ(rearCount(), 0);

    // A name without any type marker pairs the file with itself.
    const auto plain = testFolder() / "front-only" / "clip.mp4";
    std::filesystem::copy_file(single.frontPath, plain);
    ASSERT_TRUE(openAndWait(plain.string()));
    EXPECT_EQ(playbackState.openState, FrontAndRear);
    EXPECT_EQ(rearCount(), 60);
    EXPECT_EQ(frontCount(), 60);
}

TEST_F(EngineOpenTest, SecondVideoStreamPicksTheRearStreamNumber) {
    gen::GenOptions options = smallOptions(60);
    options.secondVideoStream = true;
    const gen::GenResult pair = makeRecording("two-streams", options);
    mainWindow.clear();
    ASSERT_TRUE(openAndWait(pair.frontPath));
    // The front file's second video stream is stream 1; the rear file holds only stream 0, so
    // the rear is refused and the front plays alone.
    EXPECT_EQ(mainWindow.count(UM_REAR_OPEN_FAILED), 1);
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 1);
    EXPECT_EQ(playbackState.openState, FrontOnly);
    EXPECT_EQ(frontCount(), 60);

    // With a rear file that has that stream number as video, its packets are indexed.
    const auto rearTwin = testFolder() / "two-streams-self";
    std::filesystem::create_directories(rearTwin);
    const auto self = rearTwin / "clip.mp4";
    std::filesystem::copy_file(pair.frontPath, self);
    ASSERT_TRUE(openAndWait(self.string()));
    EXPECT_EQ(playbackState.openState, FrontAndRear);
    EXPECT_EQ(rearCount(), pair.secondStreamFrames);
}

// A copy of a recording whose media data is zeroed while its index stays intact: FFmpeg can
// tell neither the picture format nor anything else of the video.
std::string zeroMediaData(const std::string& from, const std::filesystem::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t mdat = bytes.find("mdat");
    const size_t moov = bytes.find("moov", mdat);
    if (mdat != std::string::npos && moov != std::string::npos) {
        std::fill(bytes.begin() + static_cast<long>(mdat + 4), bytes.begin() + static_cast<long>(moov - 4), '\0');
    }
    std::filesystem::create_directories(to.parent_path());
    writeText(to, bytes);
    return to.string();
}

TEST_F(EngineOpenTest, DamagedMediaDataFailsTheFrontAndDropsOnlyTheRear) {
    const gen::GenResult good = makeRecording("zeroed-source", smallOptions(30));
    const auto folder = testFolder() / "zeroed";
    const std::string front = zeroMediaData(good.frontPath, folder / "front" / "drf0_20120301_081500.mp4");
    const int failed = mainWindow.count(UM_OPEN_FAILED);
    ASSERT_TRUE(openAndWait(front));
    EXPECT_EQ(mainWindow.count(UM_OPEN_FAILED), failed + 1);
    EXPECT_EQ(playbackState.openState, NoRecording);

    // A good front beside a zeroed rear: the front plays alone, with the rear's notice.
    const auto pairFolder = folder / "rear";
    std::filesystem::create_directories(pairFolder);
    const auto goodFront = pairFolder / std::filesystem::path(good.frontPath).filename();
    std::filesystem::copy_file(good.frontPath, goodFront);
    zeroMediaData(good.rearPath, pairFolder / std::filesystem::path(good.rearPath).filename());
    mainWindow.clear();
    ASSERT_TRUE(openAndWait(goodFront.string()));
    EXPECT_EQ(mainWindow.count(UM_REAR_OPEN_FAILED), 1);
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 1);
    EXPECT_EQ(playbackState.openState, FrontOnly);
}

TEST_F(EngineOpenTest, AFrontFileWithoutSoundPlaysSilently) {
    gen::GenOptions noSound = smallOptions(30);
    noSound.sound = false;
    const gen::GenResult silent = makeRecording("no-sound", noSound);
    ASSERT_TRUE(openAndWait(silent.frontPath));
    EXPECT_EQ(mainWindow.count(UM_OPEN_FAILED), 0);
    EXPECT_EQ(playbackState.hasSound, 0);
    EXPECT_EQ(playbackState.openState, FrontAndRear);
    play();
    // The clock runs by itself: the pictures move on.
    EXPECT_TRUE(waitUntil([] { return shownFrame(kFrontCamera) >= 10; }, 10s));
}

TEST_F(EngineOpenTest, RefusedFrontFilesLeaveNothingOpen) {
    const gen::GenResult good = makeRecording("good", smallOptions(30));

    const auto folder = testFolder() / "broken";
    std::filesystem::create_directories(folder);
    writeText(folder / "drf0_20120301_081500.mp4", "this is not a recording\n");
    writeText(folder / "drf0_20120301_081600.mp4", "");
    // A recording cut in the middle of its media data: the movie box at the end is lost.
    {
        std::ifstream in(good.frontPath, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        writeText(folder / "drf0_20120301_081700.mp4", bytes.substr(0, bytes.size() / 2));
    }
    const std::vector<std::string> refused = {
        (folder / "missing.mp4").string(), (folder / "drf0_20120301_081500.mp4").string(),
        (folder / "drf0_20120301_081600.mp4").string(),
        (folder / "drf0_20120301_081700.mp4").string()};
    for (const std::string& path : refused) {
        const int failed = mainWindow.count(UM_OPEN_FAILED);
        ASSERT_TRUE(openAndWait(path)) << path;
        EXPECT_EQ(mainWindow.count(UM_OPEN_FAILED), failed + 1) << path;
        EXPECT_EQ(playbackState.openState, NoRecording) << path;
        EXPECT_EQ(frontCount(), 0) << path;
        EXPECT_EQ(context().soundIndex.count(), 0) << path;
    }
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 0);
    // The engine still opens a good recording afterwards.
    ASSERT_TRUE(openAndWait(good.frontPath));
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 1);
}

TEST_F(EngineOpenTest, UnusableRearFilesAreReportedAndTheFrontPlaysAlone) {
    for (const auto kind : {gen::RearKind::SoundOnly, gen::RearKind::NotMp4, gen::RearKind::Empty}) {
        gen::GenOptions options = smallOptions(30);
        options.rear = kind;
        const gen::GenResult pair =
            makeRecording("rear-" + std::to_string(static_cast<int>(kind)), options);
        mainWindow.clear();
        ASSERT_TRUE(openAndWait(pair.frontPath));
        const auto numbers = mainWindow.numbers();
        ASSERT_GE(numbers.size(), 2u);
        EXPECT_EQ(numbers[numbers.size() - 2], UM_REAR_OPEN_FAILED);
        EXPECT_EQ(numbers.back(), UM_OPEN_DONE);
        EXPECT_EQ(playbackState.openState, FrontOnly);
        EXPECT_EQ(frontCount(), 30);
        EXPECT_EQ(rearCount(), 0);
    }
}

TEST_F(EngineOpenTest, StopCloseAndQuitWithNothingOpen) {
    mainWindow.clear();
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdClose);
    ASSERT_TRUE(mainWindow.waitFor(UM_TELEMETRY_CLEARED, 20s));
    const auto all = mainWindow.messages();
    const std::vector<unsigned> expected = {UM_POSITION, UM_TELEMETRY_TIME, UM_INFO_CHANGED,
                                            UM_TIME,     UM_RESET_PAN,      UM_TELEMETRY_CLEARED};
    EXPECT_EQ(numbersAfter(all, 0), expected);
    for (const Message& m : all) {
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_EQ(m.lParam, 0);
        EXPECT_FALSE(m.sent);
    }
    EXPECT_EQ(frontView.repaintCount(), 1);
    EXPECT_EQ(rearView.repaintCount(), 1);
    // TearDown queues Stop, Close and Quit and checks that the engine ends.
}

TEST_F(EngineOpenTest, OpenWhileAnotherRecordingIsOpenClosesItFirst) {
    const gen::GenResult first = makeRecording("first", smallOptions(60));
    gen::GenOptions secondOptions = smallOptions(30);
    secondOptions.rear = gen::RearKind::Missing;
    const gen::GenResult second = makeRecording("second", secondOptions);
    ASSERT_TRUE(openAndWait(first.frontPath));
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= 3; }));
    mainWindow.clear();
    // Without a Stop first: Open itself parks the decoders and closes.
    pushEngineCommand(CmdOpen, second.frontPath.c_str());
    ASSERT_TRUE(mainWindow.waitFor(UM_OPEN_DONE, 60s));
    const auto numbers = mainWindow.numbers();
    const auto reset = std::find(numbers.begin(), numbers.end(), UM_RESET_PAN);
    ASSERT_NE(reset, numbers.end());
    EXPECT_EQ(*(reset + 1), UM_TELEMETRY_CLEARED);
    EXPECT_EQ(playbackState.openState, FrontOnly);
    EXPECT_EQ(frontCount(), 30);
    EXPECT_EQ(rearCount(), 0);
    EXPECT_EQ(playbackState.telemetryCount, 30);
}

// The telemetry working arrays live as long as the engine: each open must see only its own
// file's entries, never the tail of a longer one read before.
TEST_F(EngineOpenTest, EachOpenGetsOnlyItsOwnTelemetry) {
    gen::GenOptions fullOptions = smallOptions(90);
    fullOptions.gps = gen::GpsMode::AllFix;
    const gen::GenResult full = makeRecording("full", fullOptions);
    gen::GenOptions shortOptions = smallOptions(90);
    shortOptions.gps = gen::GpsMode::AllFix;
    shortOptions.telemetryEntries = 30;
    shortOptions.latitudeDeg = 10.0;
    shortOptions.longitudeDeg = 20.0;
    const gen::GenResult shorter = makeRecording("short", shortOptions);
    gen::GenOptions noneOptions = smallOptions(30);
    noneOptions.telemetry = false;
    const gen::GenResult none = makeRecording("none", noneOptions);

    ASSERT_TRUE(openAndWait(full.frontPath));
    ASSERT_EQ(playbackState.telemetryCount, 90);
    EXPECT_NE(playbackState.telemetry.load()[60].latitude, 0.0);

    ASSERT_TRUE(openAndWait(shorter.frontPath));
    ASSERT_EQ(playbackState.telemetryCount, 90);
    EXPECT_NEAR(playbackState.telemetry.load()[0].latitude, shorter.track[0].latitudeDeg, 1e-6);
    EXPECT_NEAR(playbackState.telemetry.load()[29].longitude, shorter.track[29].longitudeDeg, 1e-6);
    for (int i = 30; i < 90; ++i) {
        ASSERT_EQ(playbackState.telemetry.load()[i].latitude, 0.0) << i;
        ASSERT_EQ(playbackState.telemetry.load()[i].longitude, 0.0) << i;
        ASSERT_EQ(playbackState.telemetry.load()[i].speedKmh, 0) << i;
        ASSERT_EQ(playbackState.telemetry.load()[i].accelZ, 0) << i;
    }

    ASSERT_TRUE(openAndWait(none.frontPath));
    EXPECT_EQ(playbackState.telemetryCount, 0);
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 3);
}

// Three minutes at 25 fps, with the index moved to the front and an extra box after ftyp, as
// copy tools leave a recording: every frame keeps its telemetry record.
TEST_F(EngineOpenTest, LongRecordingLaidOutByACopyToolKeepsEveryRecord) {
    gen::GenOptions options = smallOptions(4500);
    options.width = 64;
    options.height = 36;
    options.fps = 25;
    options.keyInterval = 250;
    options.gps = gen::GpsMode::AllFix;
    options.movieFirst = true;
    options.extraBoxType = "uuid";
    options.rear = gen::RearKind::Missing;
    const gen::GenResult r = makeRecording("long-copied", options);
    ASSERT_TRUE(openAndWait(r.frontPath));
    ASSERT_EQ(playbackState.telemetryCount, 4500);
    const TelemetryRecord* records = playbackState.telemetry.load();
    for (int i : {0, 3999, 4000, 4499}) {
        EXPECT_EQ(records[i].timeMs, uint32_t(r.track[size_t(i)].timeMs)) << i;
        EXPECT_NEAR(records[i].latitude, r.track[size_t(i)].latitudeDeg, 1e-6) << i;
    }
    // The records of the first open stay readable after a second, shorter one.
    const TelemetryRecord* first = records;
    gen::GenOptions shortOptions = smallOptions(30);
    shortOptions.rear = gen::RearKind::Missing;
    ASSERT_TRUE(openAndWait(makeRecording("short-after", shortOptions).frontPath));
    EXPECT_EQ(playbackState.telemetryCount, 30);
    EXPECT_EQ(playbackState.telemetry.load(), first);
}

TEST_F(EngineOpenTest, QuitQueuedDuringAnOpenEndsTheEngine) {
    gen::GenOptions options = smallOptions(1800);
    options.width = 160;
    options.height = 96;
    const gen::GenResult big = makeRecording("big", options);
    pushEngineCommand(CmdOpen, big.frontPath.c_str());
    pushEngineCommand(CmdQuit);
    ASSERT_TRUE(engine->waitForEnd(60s));
    engine->join();
    EXPECT_EQ(mainWindow.numbers().back(), UM_ENGINE_ENDED);
    EXPECT_FALSE(pushEngineCommand(CmdPlay));
    EXPECT_EQ(playbackState.openState, NoRecording);
    // A new engine starts after the old one ended.
    engine = startEngine(&mainWindow);
    ASSERT_TRUE(engine->running());
    ASSERT_TRUE(openAndWait(big.frontPath));
    EXPECT_EQ(frontCount(), 1800);
}

TEST(PacketIndexTest, LookupsAndTimeConversion) {
    PacketIndex index;
    EXPECT_EQ(index.firstKeyAtOrAfter(0), 0);
    EXPECT_EQ(index.lastKeyAtOrBefore(5), 1);
    // Sound at 1/22050 s: 22050 units are one second.
    EXPECT_EQ(streamTimeToMs(22050, AVRational{1, 22050}), 1000);
    EXPECT_EQ(streamTimeToMs(1023, AVRational{1, 22050}), 46);  // truncated
    EXPECT_EQ(streamTimeToMs(90000, AVRational{1, 90000}), 1000);

    const bool keys[] = {true, false, false, true, false, true, false};
    for (int i = 0; i < 7; ++i) {
        AVPacket* packet = av_packet_alloc();
        packet->pts = i * 3000;  // 90 kHz units: 33 ms apart
        packet->dts = packet->pts;
        packet->duration = i == 3 ? 0 : 3000;
        packet->flags = keys[i] ? AV_PKT_FLAG_KEY : 0;
        index.store(packet, AVRational{1, 90000});
        av_packet_free(&packet);
    }
    // A packet without times continues where the last one ended.
    AVPacket* untimed = av_packet_alloc();
    index.store(untimed, AVRational{1, 90000});
    av_packet_free(&untimed);
    index.finish();

    ASSERT_EQ(index.count(), 8);
    EXPECT_EQ(index.at(0), nullptr);
    EXPECT_EQ(index.at(9), nullptr);
    EXPECT_EQ(index.at(3)->timeMs, 66);
    EXPECT_EQ(index.at(4)->durationMs, 33);  // missing: the distance to its successor
    EXPECT_EQ(index.at(8)->timeMs, 233);
    EXPECT_EQ(index.firstKeyAtOrAfter(0), 1);
    EXPECT_EQ(index.firstKeyAtOrAfter(34), 4);
    EXPECT_EQ(index.firstKeyAtOrAfter(100), 4);
    EXPECT_EQ(index.firstKeyAtOrAfter(101), 6);
    EXPECT_EQ(index.firstKeyAtOrAfter(100000), 6);  // none after: the last key packet
    EXPECT_EQ(index.lastKeyAtOrBefore(3), 1);
    EXPECT_EQ(index.lastKeyAtOrBefore(5), 4);
    EXPECT_EQ(index.lastKeyAtOrBefore(8), 6);
    index.clear();
    EXPECT_EQ(index.count(), 0);
}

// Frame times over a minute of 30 frames/s pictures at 1/15360 s (512 units a frame): played
// frame by frame they must reach the minute itself, not 60 x 30 x 33 ms, which would run the
// pictures 1% ahead of the sound.
TEST(PacketIndexTest, FrameTimesKeepTheFractionOfAMillisecond) {
    const AVRational timeBase{1, 15360};
    PacketIndex index;
    for (int i = 0; i < 1800; ++i) {
        AVPacket* packet = av_packet_alloc();
        packet->pts = packet->dts = i * 512;
        packet->duration = 512;
        index.store(packet, timeBase);
        av_packet_free(&packet);
    }
    // A damaged stretch: a packet whose stream time disagrees with its ms time, and one without
    // a time stamp, continue by their whole-ms durations.
    AVPacket* untimed = av_packet_alloc();
    index.store(untimed, timeBase);
    av_packet_free(&untimed);
    index.finish();

    double frameTime = 0;
    for (int seq = 1; seq <= 1800; ++seq) frameTime = nextFrameTimeMs(frameTime, *index.at(seq), timeBase);
    EXPECT_NEAR(frameTime, 60000.0, 1e-6);
    EXPECT_EQ(index.at(1801)->durationMs, 33);
    EXPECT_DOUBLE_EQ(nextFrameTimeMs(frameTime, *index.at(1801), timeBase), frameTime + 33);
    StoredPacket skewed = *index.at(10);
    skewed.timeMs += 500;
    EXPECT_DOUBLE_EQ(nextFrameTimeMs(1234.0, skewed, timeBase), 1234.0 + 33);
    EXPECT_DOUBLE_EQ(nextFrameTimeMs(1234.0, *index.at(10), AVRational{0, 1}), 1234.0 + 33);
}

}  // namespace
}  // namespace moksel::test
