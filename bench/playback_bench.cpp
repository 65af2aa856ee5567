// Playback figures: CPU of the engine playing a 60-second 1280 x 720 pair against the ffmpeg
// program decoding and scaling the same files, the picture/sound offset at the end of a long
// recording, the medians of seek and step-back latency, and the gap in the pictures where a
// drive's recording plays on into the next one.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "engine/clock_sound.h"
#include "engine/engine.h"
#include "engine/engine_context.h"
#include "frame_pattern.h"
#include "platform/recording_target.h"

extern "C" {
#include <libavutil/log.h>
}

namespace moksel::bench {

namespace {

using namespace std::chrono_literals;

struct Views {
    RecordingTarget mainWindow, front, rear, enlarged;
    std::atomic<int> lastFrontFrame{-1};
    std::atomic<int> frontRepaints{0};
    std::atomic<double> lastRepaintMs{0};
    bool readFrames = false;
    std::mutex timesMutex;
    std::vector<double> repaintTimes;  // front repaints, while recordTimes is set
    std::vector<int> repaintFrames;    // the frame number each of them showed
    std::atomic<bool> recordTimes{false};

    Views() {
        front.setRepaintHandler([this] {
            lastRepaintMs = nowMs();
            if (recordTimes) {
                auto pictureLock = lockCameraPictures(kFrontCamera);
                const uint8_t* picture = playbackState.frontPicture.load();
                std::lock_guard<std::mutex> lock(timesMutex);
                repaintTimes.push_back(lastRepaintMs.load());
                repaintFrames.push_back(picture ? gen::readFrameNumber(picture, 487, 311, 487 * 4) : -1);
            }
            if (readFrames) {
                auto lock = lockCameraPictures(kFrontCamera);
                const uint8_t* picture = playbackState.frontPicture.load();
                if (picture) lastFrontFrame = gen::readFrameNumber(picture, 487, 311, 487 * 4);
            }
            ++frontRepaints;
        });
        playbackState.mainWindow = &mainWindow;
        playbackState.frontViewWindow = &front;
        playbackState.rearViewWindow = &rear;
        playbackState.enlargedWindow = &enlarged;
    }
    ~Views() {
        playbackState.mainWindow = nullptr;
        playbackState.frontViewWindow = nullptr;
        playbackState.rearViewWindow = nullptr;
        playbackState.enlargedWindow = nullptr;
    }
};

bool openAndWait(Views& views, const std::string& path) {
    const int done = views.mainWindow.count(UM_OPEN_DONE);
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdOpen, path.c_str());
    return views.mainWindow.waitFor(UM_OPEN_DONE, 5min, done + 1);
}

void waitWhile(const std::function<bool()>& condition) {
    while (condition()) std::this_thread::sleep_for(1ms);
}

// The reference does the engine's work on each file with one thread, as the engine does per
// camera: decode the video (and the sound), scale every picture to the view size as BGRA with
// fast bilinear scaling. -filter_threads 1 keeps the scaler on one thread too.
std::string referenceCommand(const std::string& path) {
    return "/usr/bin/ffmpeg -nostdin -v quiet -threads 1 -filter_threads 1 -i '" + path +
           "' -vf scale=487:311:flags=fast_bilinear,format=bgra -f null -";
}

double ffmpegCpuSeconds(const gen::GenResult& pair) {
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    for (const std::string& path : {pair.frontPath, pair.rearPath}) {
        const std::string command = referenceCommand(path);
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "moksel-bench: ffmpeg failed\n");
    }
    return cpuSeconds(RUSAGE_CHILDREN) - before;
}

// CPU of the engine's threads while it plays the pair to its end. The benchmark's own thread
// does not wait on the recorded messages (it would wake for each of the seven the front decoder
// posts per frame and count them all again); it looks for the end every 100 ms and its own CPU
// is left out.
double engineCpuSeconds(Views& views, const gen::GenResult& pair) {
    if (!openAndWait(views, pair.frontPath)) return 0;
    std::atomic<bool> ended{false};
    views.mainWindow.setPostHandler([&ended](unsigned message, WParam, LParam) -> LResult {
        if (message == UM_PLAY_END) ended = true;
        return 0;
    });
    const double before = cpuSeconds();
    const double harnessBefore = cpuSeconds(RUSAGE_THREAD);
    pushEngineCommand(CmdPlay);
    const double deadline = nowMs() + 10 * 60000.0;
    while (!ended.load() && nowMs() < deadline) std::this_thread::sleep_for(100ms);
    const double used = (cpuSeconds() - before) - (cpuSeconds(RUSAGE_THREAD) - harnessBefore);
    views.mainWindow.setPostHandler(nullptr);
    return used;
}

double seekLatencyMs(Views& views, const gen::GenResult& pair) {
    openAndWait(views, pair.frontPath);
    views.readFrames = true;
    pushEngineCommand(CmdPlay);
    // Seeks while playing: the clock starts when the sound device takes its first samples,
    // which a freshly opened stream on a sound server may do only after the silence it holds.
    const double played = nowMs();
    waitWhile([&] { return clockNowMs() <= 0 && nowMs() - played < 5000; });
    std::vector<double> latencies;
    for (int i = 0; i < 9; ++i) {
        const int targetMs = (i * 6 + 3) * 1000 + 500;
        const int keyFrame = static_cast<int>(std::ceil(targetMs / 1000.0)) * 30;
        const double start = nowMs();
        playbackState.seekTargetMs = targetMs;
        playbackState.frontSeekPending = 1;
        playbackState.rearSeekPending = 1;
        playbackState.audioSeekPending = 1;
        waitWhile([&] { return views.lastFrontFrame.load() != keyFrame && nowMs() - start < 10000; });
        latencies.push_back(views.lastRepaintMs.load() - start);
        std::this_thread::sleep_for(200ms);
    }
    views.readFrames = false;
    return median(latencies);
}

// Two recordings of one drive (10 s each, the second starting where the first ends): the
// second is opened ahead, the first plays from 2 s before its end into the second. The
// interval between the last front picture of the first and the first of the second, less the
// frame interval; and, for comparison, the longest such excess elsewhere in the stretch (the
// pacing's own jitter). Medians of three passes.
struct Handover {
    double gapMs = -1, jitterMs = -1;
};

Handover handoverGap(Views& views) {
    const gen::GenResult first = makePair("drive-1", 300, 1280, 720);
    gen::GenOptions options;
    options.outputDir = benchFolder() + "/drive-2";
    options.frames = 300;
    options.start.second += 10;
    options.encoderThreads = 0;
    gen::GenResult second;
    std::string error;
    if (!gen::generatePair(options, second, error)) return {};
    std::vector<double> gaps, jitters;
    for (int pass = 0; pass < 3; ++pass) {
        openAndWait(views, first.frontPath);
        pushEngineCommand(CmdPrepare, second.frontPath.c_str());
        const int handovers = views.mainWindow.count(UM_HANDED_OVER);
        playbackState.seekTargetMs = 8000;
        playbackState.frontSeekPending = 1;
        playbackState.rearSeekPending = 1;
        playbackState.audioSeekPending = 1;
        pushEngineCommand(CmdPlay);
        std::this_thread::sleep_for(700ms);  // the seek and the start of the sound settle
        {
            std::lock_guard<std::mutex> lock(views.timesMutex);
            views.repaintTimes.clear();
            views.repaintFrames.clear();
        }
        views.recordTimes = true;
        if (!views.mainWindow.waitFor(UM_HANDED_OVER, 10s, handovers + 1)) return {};
        std::this_thread::sleep_for(1s);
        views.recordTimes = false;
        std::lock_guard<std::mutex> lock(views.timesMutex);
        // The seam: where the frame numbers start again. Elsewhere: the pacing's own jitter.
        const auto& t = views.repaintTimes;
        const auto& f = views.repaintFrames;
        double seam = -1, elsewhere = 0;
        for (size_t i = 1; i < t.size() && i < f.size(); ++i) {
            if (f[i] < f[i - 1] && seam < 0) {
                seam = t[i] - t[i - 1];
            } else {
                elsewhere = std::max(elsewhere, t[i] - t[i - 1]);
            }
        }
        if (seam < 0) return {};
        jitters.push_back(elsewhere - 1000.0 / 30.0);
        gaps.push_back(seam - 1000.0 / 30.0);
    }
    return {median(gaps), median(jitters)};
}

double stepBackLatencyMs(Views& views) {
    std::vector<double> latencies;
    auto waitRepaint = [&](int before) {
        waitWhile([&] { return views.frontRepaints.load() == before; });
    };
    for (int i = 0; i < 7; ++i) {
        playbackState.uiState = Paused;
        pausePlaybackOutput();
        playbackState.engineState = Paused;
        seekStill((i * 7 + 2) * 10);
        for (int s = 0; s < 20; ++s) {  // into the middle of a group of pictures
            const int before = views.frontRepaints;
            pushEngineCommand(CmdStepForward);
            waitRepaint(before);
        }
        for (int s = 0; s < 2; ++s) {
            const int before = views.frontRepaints;
            const double start = nowMs();
            pushEngineCommand(CmdStepBack);
            waitRepaint(before);
            latencies.push_back(views.lastRepaintMs.load() - start);
        }
    }
    return median(latencies);
}

// The sound server's latency for the engine's stream (what its buffer and the sink still hold
// before it is heard), in ms, from pactl; negative when it cannot be read.
double serverLatencyMs() {
    FILE* pipe = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (!pipe) return -1;
    char line[512];
    double bufferUs = -1, sinkUs = -1;
    while (std::fgets(line, sizeof line, pipe)) {
        double value = 0;
        if (std::sscanf(line, " Buffer Latency: %lf usec", &value) == 1) bufferUs = value;
        if (std::sscanf(line, " Sink Latency: %lf usec", &value) == 1) sinkUs = value;
    }
    pclose(pipe);
    return bufferUs < 0 || sinkUs < 0 ? -1 : (bufferUs + sinkUs) / 1000.0;
}

// What the offset is measured on: the front picture's frame number as read from the picture
// delivered, the sound device's byte rate and the recording's frame duration.
struct OffsetProbe {
    const Views& views;
    const EngineContext& context;
    double bytesPerMs;
    double frameMs;
    bool soundServer;
};

// Picture time minus played sound time at one instant, in ms (positive: the sound is late).
// The picture shown is the frame whose number is drawn in the delivered front picture; it
// stands for the middle of its frame time. The sound played is what the callback has handed
// to the device less what the device still holds: the server's latency, or nothing for the
// disk driver, which writes what it is handed at once. A sample during which the picture
// changed or the callback handed more is not taken.
bool offsetSample(const OffsetProbe& probe, double& offset) {
    const int frame = probe.views.lastFrontFrame.load();
    const int64_t handed = probe.context.soundBytesHanded.load();
    const double latency = probe.soundServer ? serverLatencyMs() : 0.0;
    if (frame < 0 || latency < 0 || probe.context.soundBytesHanded.load() != handed ||
        probe.views.lastFrontFrame.load() != frame) {
        return false;
    }
    const double pictureMs = (frame + 0.5) * probe.frameMs;
    offset = pictureMs - (static_cast<double>(handed) / probe.bytesPerMs - latency);
    return true;
}

double medianOffset(const OffsetProbe& probe) {
    std::vector<double> offsets;
    for (int tries = 0; tries < 90 && offsets.size() < 15; ++tries) {
        double offset = 0;
        if (offsetSample(probe, offset)) offsets.push_back(offset);
        std::this_thread::sleep_for(37ms);
    }
    return offsets.empty() ? NAN : median(offsets);
}

struct Offsets {
    double startMs = NAN;  // 3 s after Play
    double endMs = NAN;    // in the last 3 s of the recording
};

Offsets avOffsets(Views& views, int minutes, bool soundServer) {
    const gen::GenResult longPair = makePair("offset", minutes * 60 * 30, 320, 180);
    openAndWait(views, longPair.frontPath);
    EngineContext* context = engineContext.load();
    if (!context || playbackState.audioDeviceState.load() < 0) return {};
    const OffsetProbe probe{views, *context,
                            2.0 * std::max(1, context->soundChannels) * longPair.signal.sampleRate / 1000.0,
                            1000.0 / gen::GenOptions{}.fps, soundServer};
    playbackState.speedFactor = 1.0;
    views.lastFrontFrame = -1;
    views.readFrames = true;
    pushEngineCommand(CmdPlay);
    Offsets result;
    waitWhile([&] { return playbackState.frontFrameTimeMs.load() < 3000; });
    result.startMs = medianOffset(probe);
    const double endMs = minutes * 60000.0;
    waitWhile([&] { return playbackState.frontFrameTimeMs.load() < endMs - 3000; });
    result.endMs = medianOffset(probe);
    pushEngineCommand(CmdStop);
    views.readFrames = false;
    return result;
}

}  // namespace

int runPlaybackBench(int offsetMinutes, bool soundServer, bool cpuOnly) {
    av_log_set_level(AV_LOG_QUIET);
    // Without a sound server the sound goes to SDL's disk driver, which writes what it is
    // handed as fast as its integer sleep allows; only a server's sink plays by a clock.
    if (soundServer) {
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    } else {
        setenv("SDL_AUDIODRIVER", "disk", 0);
        setenv("SDL_DISKAUDIOFILE", (benchFolder() + "/sound.raw").c_str(), 0);
    }
    const gen::GenResult pair = makePair("playback", 1800, 1280, 720);

    Views views;
    auto engine = startEngine(&views.mainWindow);
    if (!engine->running()) return 1;

    const double engineCpu = engineCpuSeconds(views, pair);
    const double ffmpegCpu = ffmpegCpuSeconds(pair);
    // --cpu-only: the CPU figures alone, for quick comparisons while tuning the engine.
    const double seekMs = cpuOnly ? 0 : seekLatencyMs(views, pair);
    const double stepBackMs = cpuOnly ? 0 : stepBackLatencyMs(views);
    const Offsets offsets = cpuOnly ? Offsets{} : avOffsets(views, offsetMinutes, soundServer);
    const Handover handover = cpuOnly ? Handover{} : handoverGap(views);

    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdClose);
    pushEngineCommand(CmdQuit);
    engine->waitForEnd(30s);
    engine->join();

    std::printf("reference: %s (front, then rear)\n", referenceCommand("FILE").c_str());
    std::printf("engine-cpu-s: %.2f\n", engineCpu);
    std::printf("ffmpeg-cpu-s: %.2f\n", ffmpegCpu);
    std::printf("playback-cpu-ratio: %.3f\n", ffmpegCpu > 0 ? engineCpu / ffmpegCpu : 0.0);
    if (cpuOnly) return 0;
    std::printf("av-offset-minutes: %d\n", offsetMinutes);
    std::printf("av-offset-device: %s\n", soundServer ? "sound server (pulseaudio)" : "SDL disk driver");
    std::printf("av-offset-start-ms: %.1f (picture minus sound, 3 s after Play)\n", offsets.startMs);
    std::printf("av-offset-end-ms: %.1f (picture minus sound, at the end)\n", offsets.endMs);
    std::printf("av-offset-ms: %.1f\n", std::fabs(offsets.endMs));
    std::printf("seek-latency-ms: %.1f\n", seekMs);
    std::printf("step-back-latency-ms: %.1f\n", stepBackMs);
    std::printf("handover-gap-ms: %.1f (interval between the front pictures either side of a drive's\n"
                "  recording boundary, less the frame interval)\n", handover.gapMs);
    std::printf("pacing-jitter-ms: %.1f (the longest such excess elsewhere in the same stretch)\n",
                handover.jitterMs);
    return 0;
}

}  // namespace moksel::bench
