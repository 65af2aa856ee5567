// Files as other cameras and tools write them: reordered pictures (B-frames) and key pictures
// far apart, made by the system's ffmpeg from a generated recording. Seeks, steps and play must
// show exactly the frame asked for.
#include <cstdlib>
#include <thread>

#include "engine_test_support.h"

namespace moksel::test {
namespace {

class EngineReorderedTest : public EngineTest {
protected:
    // A front file re-encoded by x264 with its usual B-frames and 250 frames between key
    // pictures, alone in a folder (no rear).
    std::string reencoded(const std::string& name, int frames) {
        const gen::GenResult source = makeRecording(name + "-source", smallOptions(frames));
        const auto folder = testFolder() / name;
        std::filesystem::create_directories(folder);
        const std::string out = (folder / "drf0_20120301_081500.mp4").string();
        const std::string command = "ffmpeg -nostdin -v error -y -i '" + source.frontPath +
                                    "' -c:v libx264 -preset veryfast -bf 3 -g 250 -c:a copy '" + out + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return out;
    }
    void step(EngineCommand command) {
        const int before = mainWindow.count(UM_TIME);
        pushEngineCommand(command);
        ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_TIME) > before; }));
    }
};

TEST_F(EngineReorderedTest, SeeksAndStepsShowTheFrameAskedFor) {
    const std::string path = reencoded("bframes", 450);
    ASSERT_TRUE(openAndWait(path));
    pauseLikeMainWindow();
    ASSERT_EQ(frontCount(), 450);

    // 5.0 s: the next key picture is at 8.3 s, too far; the picture at 5.0 s is decoded from
    // the key picture before it.
    seekStill(50);
    EXPECT_EQ(shownFrame(kFrontCamera), 150);
    step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 151);
    step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 152);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), 151);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), 150);
    seekStill(100);
    EXPECT_EQ(shownFrame(kFrontCamera), 300);

    // Playing on from there shows the pictures in order (a machine too busy to keep up may
    // skip one, never show one twice or out of order).
    clearDelivered();
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= 40; }));
    pauseLikeMainWindow();
    const std::vector<int> shown = delivered(kFrontCamera);
    for (size_t i = 1; i < shown.size(); ++i) ASSERT_GT(shown[i], shown[i - 1]) << i;
    EXPECT_GE(shown.front(), 301);
    EXPECT_LT(shown.front(), 305);
}

TEST_F(EngineReorderedTest, PlaysToTheLastPicture) {
    const std::string path = reencoded("bframes-end", 60);
    ASSERT_TRUE(openAndWait(path));
    clearDelivered();
    play();
    ASSERT_TRUE(mainWindow.waitFor(UM_PLAY_END, 20s));
    const std::vector<int> shown = delivered(kFrontCamera);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), 0);
    EXPECT_EQ(shown.back(), 59);
    for (size_t i = 1; i < shown.size(); ++i) ASSERT_GT(shown[i], shown[i - 1]) << i;
}

TEST_F(EngineReorderedTest, TheLastPicturesComeFromTheDecoderInOnePass) {
    // 60 pictures, one key picture: the decoder holds the last pictures after the end of the
    // stream was sent. Playing them must not decode the recording again for any of them.
    const std::string path = reencoded("bframes-last", 60);
    ASSERT_TRUE(openAndWait(path));
    pauseLikeMainWindow();
    seekStill(18);
    ASSERT_EQ(shownFrame(kFrontCamera), 54);
    const auto sent = [&] {
        std::lock_guard lock(pictureLock(kFrontCamera));
        return context().cameras[kFrontCamera].packetsSent;
    };
    const int64_t before = sent();
    clearDelivered();
    play();
    ASSERT_TRUE(mainWindow.waitFor(UM_PLAY_END, 20s));
    const std::vector<int> shown = delivered(kFrontCamera);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 59);
    EXPECT_LE(sent() - before, 6) << "packets given to the decoder for the last five pictures";
}

}  // namespace
}  // namespace moksel::test
