// Recordings as other cameras and tools write them, each made from a generated pair (front and
// rear alike) by the generator's options or by the system's ffmpeg: every kind opens with its
// rear, a seek while paused shows the frame at the time asked for in both views, and play
// reaches the last frame with the pictures in order.
#include <cstdlib>
#include <thread>

#include "engine_test_support.h"

namespace moksel::test {
namespace {

struct Kind {
    const char* name;
    gen::GenOptions options;  // the generated pair
    std::string ffmpeg;       // applied to both files when not empty ("-i IN" comes first)
    int frameAtTwoSeconds;    // the front frame shown at 2.0 s
    int rearFrame = -1;       // the rear's then, when not the same number
};

class EngineFileKindsTest : public EngineTest {
protected:
    // The pair of a kind; empty when this machine's ffmpeg lacks an encoder it needs.
    gen::GenResult make(const Kind& kind, const std::string& folder) {
        gen::GenResult pair = makeRecording(folder, kind.options);
        if (kind.ffmpeg.empty()) return pair;
        for (const std::string& file : {pair.frontPath, pair.rearPath}) {
            const std::string temporary = file + ".in.mp4";
            std::filesystem::rename(file, temporary);
            const std::string command = "ffmpeg -nostdin -v quiet -y " + kind.ffmpeg.substr(0, kind.ffmpeg.find("-i IN")) +
                                        "-i '" + temporary + "' " + kind.ffmpeg.substr(kind.ffmpeg.find("-i IN") + 5) +
                                        " '" + file + "'";
            if (std::system(command.c_str()) != 0) return {};
        }
        return pair;
    }
};

TEST_F(EngineFileKindsTest, EveryKindOpensSeeksToTheFrameAskedForAndPlaysInStepToItsEnd) {
    std::vector<Kind> kinds;
    const gen::GenOptions camera = smallOptions(90);
    kinds.push_back({"the camera's own", camera, "", 60});
    gen::GenOptions stereo = camera;
    stereo.sampleRate = 48000;
    stereo.signal.channels = 2;
    stereo.videoTimeScale = 90000;
    kinds.push_back({"48 kHz stereo, 1/90000", stereo, "", 60});
    gen::GenOptions mono = camera;
    mono.sampleRate = 16000;
    mono.videoTimeScale = 15360;
    kinds.push_back({"16 kHz mono, 1/15360", mono, "", 60});
    gen::GenOptions first = camera;
    first.movieFirst = true;
    kinds.push_back({"index at the front", first, "", 60});
    // The same frames 1.001 times slower: the key frame at or after 2.0 s is frame 60 (2.002 s).
    kinds.push_back({"29.97 frames/s", camera, "-itsscale 1.001 -i IN -c copy", 60});
    // 30 frames/s for 1.5 s, then 25: frame 57 starts at 1.98 s; x264's key frames are far apart.
    kinds.push_back({"variable frame rate",
                     camera,
                     "-i IN -vf \"setpts='if(lt(N,45),N/30,1.5+(N-45)/25)/TB'\" -fps_mode passthrough "
                     "-c:v libx264 -preset veryfast -c:a copy",
                     57});
    kinds.push_back({"x264 defaults (B-frames, key frames 250 apart)", camera,
                     "-i IN -c:v libx264 -preset veryfast -c:a copy", 60});
    kinds.push_back({"HEVC", camera,
                     "-i IN -c:v libx265 -preset ultrafast -x265-params log-level=none -tag:v hvc1 -c:a copy", 60});
    // Without an edit list ffmpeg moves the front's pictures 46.5 ms later, behind its sound's
    // start-up samples; the rear, without sound, stays: the rear picture at the front's
    // 2.0465 s is its frame 61.
    kinds.push_back({"fragmented MP4", camera, "-i IN -c copy -movflags frag_keyframe+empty_moov", 60, 61});

    int folder = 0;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const gen::GenResult pair = make(kind, "kind-" + std::to_string(folder++));
        if (pair.frontPath.empty()) {
            std::printf("%s: not made (this ffmpeg could not write it)\n", kind.name);
            continue;
        }
        ASSERT_TRUE(openAndWait(pair.frontPath));
        EXPECT_EQ(playbackState.openState.load(), FrontAndRear);
        EXPECT_EQ(frontCount(), 90);
        pauseLikeMainWindow();
        const int shown = mainWindow.count(UM_TIME);
        seekStill(20);
        ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_TIME) > shown; }));
        EXPECT_EQ(shownFrame(kFrontCamera), kind.frameAtTwoSeconds);
        EXPECT_EQ(shownFrame(kRearCamera), kind.rearFrame >= 0 ? kind.rearFrame : kind.frameAtTwoSeconds);

        clearDelivered();
        const int ends = mainWindow.count(UM_PLAY_END);
        play();
        ASSERT_TRUE(mainWindow.waitFor(UM_PLAY_END, 30s, ends + 1));
        const std::vector<int> front = delivered(kFrontCamera);
        ASSERT_FALSE(front.empty());
        EXPECT_EQ(front.back(), 89);
        for (size_t i = 1; i < front.size(); ++i) EXPECT_GT(front[i], front[i - 1]);
        stopAndWait();
    }
}

}  // namespace
}  // namespace moksel::test
