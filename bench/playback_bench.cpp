// Playback figures: CPU of the engine playing a 60-second 1280 x 720 pair against the ffmpeg
// program decoding and scaling the same files, the picture/sound offset at the end of a long
// recording, and the medians of seek and step-back latency.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "bench_support.h"
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

    Views() {
        front.setRepaintHandler([this] {
            lastRepaintMs = nowMs();
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

// Sound played since the device started, from the disk driver's capture: the samples after the
// first one that is not silent.
double soundPlayedMs(const std::string& capture, int rate) {
    std::ifstream in(capture, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t count = bytes.size() / 2;
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.data());
    size_t first = 0;
    while (first < count && samples[first] == 0) ++first;
    return static_cast<double>(count - first) * 1000.0 / rate;
}

// With a sound server's null sink as the device (plays by the system clock, as a real sound
// card plays by its own), the played sound is recorded from the sink's monitor into the capture
// file from just before Play.
pid_t startMonitorRecorder(const std::string& monitor, const std::string& capture, int rate) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string rateArg = "--rate=" + std::to_string(rate);
        const std::string deviceArg = "--device=" + monitor;
        execlp("parec", "parec", "--raw", "--format=s16le", rateArg.c_str(), "--channels=1",
               deviceArg.c_str(), "--latency-msec=5", capture.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

double avOffsetMs(Views& views, int minutes, const std::string& capture, const std::string& monitor) {
    const gen::GenResult longPair = makePair("offset", minutes * 60 * 30, 320, 180);
    openAndWait(views, longPair.frontPath);
    playbackState.speedFactor = 1.0;
    pid_t recorder = -1;
    if (!monitor.empty()) {
        std::remove(capture.c_str());
        recorder = startMonitorRecorder(monitor, capture, longPair.signal.sampleRate);
        std::this_thread::sleep_for(500ms);
    }
    pushEngineCommand(CmdPlay);
    const double endMs = minutes * 60000.0;
    waitWhile([&] { return playbackState.frontFrameTimeMs.load() < endMs - 3000; });
    std::vector<double> offsets;
    for (int i = 0; i < 10; ++i) {
        const double picture = playbackState.frontFrameTimeMs.load();
        const double sound = soundPlayedMs(capture, longPair.signal.sampleRate);
        offsets.push_back(std::fabs(picture - sound));
        std::this_thread::sleep_for(150ms);
    }
    pushEngineCommand(CmdStop);
    if (recorder > 0) {
        kill(recorder, SIGTERM);
        waitpid(recorder, nullptr, 0);
    }
    return median(offsets);
}

}  // namespace

int runPlaybackBench(int offsetMinutes, const std::string& monitor, bool cpuOnly) {
    av_log_set_level(AV_LOG_QUIET);
    // The sound goes to a capture file so that the played position can be measured: SDL's disk
    // driver writes it, or, given a sound server's monitor source, a recorder of that monitor.
    const std::string capture = benchFolder() + "/sound.raw";
    if (monitor.empty()) {
        setenv("SDL_AUDIODRIVER", "disk", 0);
        setenv("SDL_DISKAUDIOFILE", capture.c_str(), 0);
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
    const double offsetMs = cpuOnly ? 0 : avOffsetMs(views, offsetMinutes, capture, monitor);

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
    std::printf("av-offset-device: %s\n", monitor.empty() ? "SDL disk driver" : monitor.c_str());
    std::printf("av-offset-ms: %.1f\n", offsetMs);
    std::printf("seek-latency-ms: %.1f\n", seekMs);
    std::printf("step-back-latency-ms: %.1f\n", stepBackMs);
    return 0;
}

}  // namespace moksel::bench
