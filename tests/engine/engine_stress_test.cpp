// Random command sequences against the running engine, the way the main window drives it:
// opens, plays, stops, pauses, frame steps, seeks, speed changes, zoom, recordings that end by
// themselves and recordings that play on into the other one opened ahead (as a drive does).
// A watchdog checks that no queued command stays unfinished for longer than a
// moment, and every picture delivered to a view must equal a clean decode of the frame it
// shows, pixel for pixel.
//
// MOKSEL_STRESS_SEEDS and MOKSEL_STRESS_OPS set the run's length (defaults: a short run for the
// suite; by hand, e.g. 10 seeds x 1000 operations); MOKSEL_STRESS_WATCHDOG_MS the time a command
// may take (slower under the thread sanitizer).
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <random>
#include <thread>

#include "engine/colour_adjustment.h"
#include "engine/picture_converter.h"
#include "engine_test_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace moksel::test {
namespace {

int envInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

// Every picture of a file's first video stream, decoded from the start in one pass.
class CleanDecode {
public:
    explicit CleanDecode(const std::string& path) {
        AVFormatContext* demuxer = nullptr;
        if (avformat_open_input(&demuxer, path.c_str(), nullptr, nullptr) < 0) return;
        avformat_find_stream_info(demuxer, nullptr);
        const int stream = av_find_best_stream(demuxer, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        const AVCodec* codec = stream >= 0
                                   ? avcodec_find_decoder(demuxer->streams[stream]->codecpar->codec_id)
                                   : nullptr;
        AVCodecContext* decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (decoder && avcodec_parameters_to_context(decoder, demuxer->streams[stream]->codecpar) >= 0 &&
            avcodec_open2(decoder, codec, nullptr) >= 0) {
            AVPacket* packet = av_packet_alloc();
            while (av_read_frame(demuxer, packet) >= 0) {
                if (packet->stream_index == stream) receive(decoder, packet);
                av_packet_unref(packet);
            }
            receive(decoder, nullptr);
            av_packet_free(&packet);
        }
        avcodec_free_context(&decoder);
        avformat_close_input(&demuxer);
    }
    ~CleanDecode() {
        for (AVFrame*& frame : frames_) av_frame_free(&frame);
    }
    int count() const { return static_cast<int>(frames_.size()); }

    // The frame converted as the engine converts it for a camera at a size index.
    std::vector<uint8_t> picture(int number, int camera, int sizeIndex) const {
        const AVFrame* frame = frames_.at(static_cast<size_t>(number));
        const PictureSize size = pictureSizes[camera][sizeIndex];
        std::vector<uint8_t> out(pictureBufferBytes(size));
        SwsContext* converter = sws_getContext(frame->width, frame->height,
                                               static_cast<AVPixelFormat>(frame->format),
                                               convertedWidth(size.width), size.height, AV_PIX_FMT_BGRA,
                                               SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
        applyColourMapping(converter);
        uint8_t* planes[4] = {out.data(), nullptr, nullptr, nullptr};
        int strides[4] = {size.width * 4, 0, 0, 0};
        sws_scale(converter, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(converter);
        out.resize(static_cast<size_t>(size.width) * size.height * 4);
        return out;
    }

private:
    void receive(AVCodecContext* decoder, const AVPacket* packet) {
        if (avcodec_send_packet(decoder, packet) < 0 && packet) return;
        AVFrame* frame = av_frame_alloc();
        while (avcodec_receive_frame(decoder, frame) == 0) {
            frames_.push_back(av_frame_clone(frame));
            av_frame_unref(frame);
        }
        av_frame_free(&frame);
    }
    std::vector<AVFrame*> frames_;
};

struct StressRecording {
    gen::GenResult files;
    std::unique_ptr<CleanDecode> front, rear;
};

class EngineStressTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Short recordings with frequent key frames; the second one's rear ends early.
        const int frontFrames[] = {45, 60};
        const int rearFrames[] = {45, 20};
        for (int i = 0; i < 2; ++i) {
            gen::GenOptions options = smallOptions(frontFrames[i]);
            options.keyInterval = 15;
            options.rearFrames = rearFrames[i];
            options.start.second = i * 2;
            StressRecording& r = recordings_[i];
            r.files = makeRecording("stress" + std::to_string(i), options);
            r.front = std::make_unique<CleanDecode>(r.files.frontPath);
            r.rear = std::make_unique<CleanDecode>(r.files.rearPath);
            ASSERT_EQ(r.front->count(), frontFrames[i]);
            ASSERT_EQ(r.rear->count(), rearFrames[i]);
        }
        for (int camera = 0; camera < 2; ++camera) {
            RecordingTarget& view = camera == 0 ? frontView : rearView;
            view.setRepaintHandler([this, camera] { checkPicture(camera); });
        }
        mainWindow.setSendHandler([this](unsigned number, WParam, LParam) -> LResult {
            if (number == UM_OPEN_DONE) {
                loaded_ = true;
                playbackState.uiState = Playing;
                pushEngineCommand(CmdPlay);
                prepare(true);  // as the window names the next recording of the drive
            }
            return 0;
        });
        mainWindow.setPostHandler([this](unsigned number, WParam, LParam) -> LResult {
            if (number == UM_PLAY_END) {
                playEnded_ = true;
                ++ends_;
            }
            // Played on into the recording opened ahead.
            if (number == UM_HANDED_OVER) {
                current_ = 1 - current_.load();
                ++handovers_;
                prepare(true);
            }
            return 0;
        });
    }

    // The picture a view would paint now, against a clean decode of the frame it shows.
    void checkPicture(int camera) {
        std::vector<uint8_t> shown;
        int sizeIndex = kViewSizeIndex;
        {
            auto lock = lockCameraPictures(camera);
            const uint8_t* picture = currentPicture(camera).load();
            if (!picture) return;
            sizeIndex = picture == context().cameras[camera].buffers[0] ? 0 : 1;
            const PictureSize size = pictureSizes[camera][sizeIndex];
            shown.assign(picture, picture + static_cast<size_t>(size.width) * size.height * 4);
        }
        // A picture painted just as the next recording opens may still be the previous
        // recording's: a picture counts as right when it is a clean decode of its frame in one
        // of the two recordings (a damaged picture matches neither).
        const PictureSize size = pictureSizes[camera][sizeIndex];
        const int number = gen::readFrameNumber(shown.data(), size.width, size.height, size.width * 4);
        ++pictures_;
        double leastDifference = -1;
        for (int which : {current_.load(), 1 - current_.load()}) {
            const StressRecording& r = recordings_[which];
            const CleanDecode& clean = camera == kFrontCamera ? *r.front : *r.rear;
            if (number < 0 || number >= clean.count()) continue;
            const std::vector<uint8_t> expected = clean.picture(number, camera, sizeIndex);
            if (expected == shown) return;
            int64_t difference = 0;
            for (size_t i = 0; i < shown.size(); ++i) difference += std::abs(shown[i] - expected[i]);
            const double mean = static_cast<double>(difference) / static_cast<double>(shown.size());
            if (leastDifference < 0 || mean < leastDifference) leastDifference = mean;
        }
        std::lock_guard<std::mutex> lock(reportMutex_);
        if (wrongPictures_ < 5) {
            std::fprintf(stderr, "camera %d frame %d: mean difference %.3f\n", camera, number, leastDifference);
        }
        ++wrongPictures_;
    }

    // --- The main window's commands, as it runs them.
    void pauseStep() {
        if (!loaded_ || playbackState.uiState == Stopped) return;
        playbackState.uiState = Paused;
        pausePlaybackOutput();
        playbackState.engineState = Paused;
    }
    void open(int which) {
        current_ = which;
        loaded_ = false;
        playbackState.uiState = Stopped;
        pushEngineCommand(CmdStop);
        pushEngineCommand(CmdOpen, recordings_[which].files.frontPath.c_str());
    }
    // The other recording opened ahead to play on into (as the next of a drive), or none.
    void prepare(bool other) {
        if (!loaded_) return;
        pushEngineCommand(CmdPrepare, other ? recordings_[1 - current_.load()].files.frontPath.c_str() : "");
    }
    void playCommand() {
        if (!loaded_) return;
        pushEngineCommand(CmdPlay);
        playbackState.uiState = Playing;
        prepare(true);
    }
    void stopCommand() {
        playbackState.uiState = Stopped;
        pushEngineCommand(CmdStop);
    }
    void step(bool forward) {
        if (!loaded_) return;
        pauseStep();
        pushEngineCommand(forward ? CmdStepForward : CmdStepBack);
        playbackState.uiState = Paused;
        pausePlaybackOutput();
        playbackState.engineState = Paused;
    }
    void seek(int tenths) {
        if (!loaded_) return;
        switch (playbackState.uiState.load()) {
            case Playing:
                playbackState.seekTargetMs = tenths * 100;
                playbackState.frontSeekPending = 1;
                if (playbackState.openState == FrontAndRear) playbackState.rearSeekPending = 1;
                playbackState.audioSeekPending = 1;
                break;
            case Paused:
                seekStill(tenths);
                break;
            default:
                playbackState.uiState = Paused;
                seekStill(tenths);
                break;
        }
    }
    void setSpeed(double factor) {
        playbackState.speedFactor = factor;
        if (factor == 1.0) {
            playbackState.audioSeekPending = 1;
            if (playbackState.uiState == Playing) resumeSoundAtNormalSpeed();
        } else {
            pauseSound();
        }
    }
    // What the window does when a recording has played to its end: the next one, or the same
    // one again from its start.
    void endOfPlay(std::mt19937& random) {
        if (random() % 2) {
            playbackState.uiState = Stopped;
            pushEngineCommand(CmdStop);
            open(1 - current_);
        } else {
            playCommand();
        }
    }

    void runOne(std::mt19937& random) {
        if (playEnded_.exchange(false)) endOfPlay(random);
        switch (random() % 14) {
            case 0: open(static_cast<int>(random() % 2)); break;
            case 1: case 2: playCommand(); break;
            case 3: stopCommand(); break;
            case 4: case 5: pauseStep(); break;
            case 6: step(true); break;
            case 7: step(false); break;
            case 8: seek(static_cast<int>(random() % 21)); break;
            case 9: {
                const double speeds[] = {0.33, 0.5, 1.0, 1.5, 2.0};
                setSpeed(speeds[random() % 5]);
                break;
            }
            case 11: prepare(random() % 4 != 0); break;
            case 10:
                if (random() % 2) {
                    changeFrontZoom(random() % 2 ? 120 : -120);
                } else {
                    changeRearZoom(random() % 2 ? 120 : -120);
                }
                break;
            default:
                // Time to play on, and often to reach a recording's end.
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
    }

    // True when every command queued more than the watchdog's time ago has finished.
    bool engineKeepsUp(std::deque<std::pair<std::chrono::steady_clock::time_point, uint64_t>>& queued,
                       std::chrono::milliseconds limit) {
        const auto now = std::chrono::steady_clock::now();
        queued.emplace_back(now, engineCommandsQueued());
        const uint64_t finished = engineCommandsFinished();
        while (!queued.empty() && queued.front().second <= finished) queued.pop_front();
        return queued.empty() || now - queued.front().first < limit;
    }

    StressRecording recordings_[2];
    std::atomic<int> current_{0};
    std::atomic<bool> loaded_{false};
    std::atomic<bool> playEnded_{false};
    std::atomic<int> pictures_{0};
    std::atomic<int> handovers_{0};
    std::atomic<int> ends_{0};
    std::atomic<int> wrongPictures_{0};
    std::mutex reportMutex_;
};

TEST_F(EngineStressTest, RandomCommandsNeverHangAndEveryPictureIsACleanDecode) {
    const int seeds = envInt("MOKSEL_STRESS_SEEDS", 2);
    const int operations = envInt("MOKSEL_STRESS_OPS", 120);
    const std::chrono::milliseconds limit(envInt("MOKSEL_STRESS_WATCHDOG_MS", 1000));
    bool hung = false;
    for (int seed = 1; seed <= seeds && !hung; ++seed) {
        std::mt19937 random(static_cast<uint32_t>(seed));
        std::deque<std::pair<std::chrono::steady_clock::time_point, uint64_t>> queued;
        std::atomic<bool> running{true};
        std::atomic<bool> hangSeen{false};
        std::thread watchdog([&] {
            while (running && !hangSeen) {
                if (!engineKeepsUp(queued, limit)) hangSeen = true;
                std::this_thread::sleep_for(20ms);
            }
        });
        open(seed % 2);
        for (int i = 0; i < operations && !hangSeen; ++i) runOne(random);
        // The last commands have to finish too.
        stopCommand();
        waitUntil([] { return engineCommandsFinished() >= engineCommandsQueued(); }, limit * 2);
        running = false;
        watchdog.join();
        if (hangSeen || engineCommandsFinished() < engineCommandsQueued()) {
            ADD_FAILURE() << "seed " << seed << ": a command was not finished within " << limit.count()
                          << " ms (engine state " << playbackState.engineState.load() << ", front idle "
                          << playbackState.frontIdle.load() << ", rear idle "
                          << playbackState.rearIdle.load() << ")";
            hung = true;
        }
        mainWindow.clear();
    }
    if (hung) {
        // Exit must still end the engine, whatever it hangs in.
        pushEngineCommand(CmdQuit);
        requestEngineQuit();
        EXPECT_TRUE(engine->waitForEnd(5s));
    }
    EXPECT_GT(pictures_.load(), 0);
    EXPECT_EQ(wrongPictures_.load(), 0) << "of " << pictures_.load() << " pictures";
    std::printf("%d pictures checked, %d ends of play, %d hand-overs to the recording opened ahead\n",
                pictures_.load(), ends_.load(), handovers_.load());
}

}  // namespace
}  // namespace moksel::test
