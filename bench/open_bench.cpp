// Opening a 60-second 1280 x 720 pair (everything up to UM_OPEN_DONE) against reading every
// packet of both files with libavformat alone; and, with a size and a length, the time from
// Open to the first picture on files of a real camera's size and bit rate.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "bench_support.h"
#include "engine/engine.h"
#include "engine/playback_state.h"
#include "platform/recording_target.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace moksel::bench {

namespace {

void readAllPackets(const std::string& path) {
    AVFormatContext* demuxer = nullptr;
    if (avformat_open_input(&demuxer, path.c_str(), nullptr, nullptr) < 0) return;
    avformat_find_stream_info(demuxer, nullptr);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(demuxer, packet) >= 0) av_packet_unref(packet);
    av_packet_free(&packet);
    avformat_close_input(&demuxer);
}

// A recording of `minutes` at that size and about `megabits` per second (noise keeps the
// encoder from making it smaller), with sound: ten seconds encoded, then repeated by copying.
std::string realSizeRecording(const std::string& path, int width, int height, int minutes, int megabits) {
    const std::string clip = path + ".clip.mp4";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(megabits) + "M";
    const std::string encode =
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + size + ":rate=30 -f lavfi -i sine=r=22050 -t 10 "
        "-vf noise=alls=12:allf=t -c:v libx264 -preset ultrafast -g 30 -b:v " + rate + " -maxrate " + rate +
        " -bufsize " + rate + " -c:a aac -shortest '" + clip + "'";
    const std::string repeat = "ffmpeg -nostdin -v error -y -stream_loop " + std::to_string(minutes * 6) + " -i '" +
                               clip + "' -c copy -t " + std::to_string(minutes * 60) + " '" + path + "'";
    if (std::system(encode.c_str()) != 0 || std::system(repeat.c_str()) != 0) {
        std::fprintf(stderr, "moksel-bench: ffmpeg could not make %s\n", path.c_str());
        std::exit(2);
    }
    std::filesystem::remove(clip);
    return path;
}

}  // namespace

// Open and Play as the window sends them, until the front view is first repainted; against
// reading every packet of both files (what opening cost when it read the whole pair).
int runFirstPictureBench(int width, int height, int minutes) {
    av_log_set_level(AV_LOG_QUIET);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string folder = benchFolder() + "/first-picture";
    std::filesystem::create_directories(folder);
    const std::string front = realSizeRecording(folder + "/drf0_20120301_081500.mp4", width, height, minutes, 40);
    const std::string rear = realSizeRecording(folder + "/drf1_20120301_081500.mp4", 1920, 1080, minutes, 10);
    std::printf("front: %dx%d %lld MB, rear: 1920x1080 %lld MB, %d min\n", width, height,
                static_cast<long long>(std::filesystem::file_size(front) >> 20),
                static_cast<long long>(std::filesystem::file_size(rear) >> 20), minutes);

    RecordingTarget mainWindow, frontView, rearView;
    playbackState.mainWindow = &mainWindow;
    playbackState.frontViewWindow = &frontView;
    playbackState.rearViewWindow = &rearView;
    auto engine = startEngine(&mainWindow);
    if (!engine->running()) return 1;
    std::vector<double> firstMs, openMs, referenceMs;
    for (int round = 0; round < 5; ++round) {
        const double readStart = nowMs();
        readAllPackets(front);
        readAllPackets(rear);
        referenceMs.push_back(nowMs() - readStart);

        const int cleared = mainWindow.count(UM_TELEMETRY_CLEARED);
        pushEngineCommand(CmdStop);
        pushEngineCommand(CmdClose);
        mainWindow.waitFor(UM_TELEMETRY_CLEARED, std::chrono::seconds(30), cleared + 1);
        const int repaints = frontView.repaintCount();
        const int done = mainWindow.count(UM_OPEN_DONE);
        const double start = nowMs();
        pushEngineCommand(CmdOpen, front.c_str());
        playbackState.uiState = Playing;
        pushEngineCommand(CmdPlay);
        if (!mainWindow.waitFor(UM_OPEN_DONE, std::chrono::minutes(2), done + 1)) return 1;
        openMs.push_back(nowMs() - start);
        while (frontView.repaintCount() == repaints && nowMs() - start < 120000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        firstMs.push_back(nowMs() - start);
    }
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdClose);
    pushEngineCommand(CmdQuit);
    engine->waitForEnd(std::chrono::seconds(30));
    engine->join();
    playbackState.mainWindow = nullptr;
    playbackState.frontViewWindow = nullptr;
    playbackState.rearViewWindow = nullptr;
    std::printf("open-ms: %.1f\n", median(openMs));
    std::printf("read-whole-pair-ms: %.1f\n", median(referenceMs));
    std::printf("first-picture-ms: %.1f\n", median(firstMs));
    std::printf("first-picture-ratio: %.3f (over reading the whole pair)\n", median(firstMs) / median(referenceMs));
    std::filesystem::remove_all(folder);
    return 0;
}

int runOpenBench() {
    av_log_set_level(AV_LOG_QUIET);
    // The open measured includes opening the sound device; without a sound card the dummy
    // driver stands in (without any device the engine would skip that step).
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const gen::GenResult pair = makePair("open", 1800, 1280, 720);
    RecordingTarget mainWindow;
    playbackState.mainWindow = &mainWindow;
    auto engine = startEngine(&mainWindow);
    if (!engine->running()) return 1;

    std::vector<double> engineMs, referenceMs;
    for (int round = 0; round < 5; ++round) {
        const double start = nowMs();
        readAllPackets(pair.frontPath);
        readAllPackets(pair.rearPath);
        referenceMs.push_back(nowMs() - start);

        // The previous round's recording is closed first, outside the measurement.
        const int cleared = mainWindow.count(UM_TELEMETRY_CLEARED);
        pushEngineCommand(CmdClose);
        mainWindow.waitFor(UM_TELEMETRY_CLEARED, std::chrono::seconds(30), cleared + 1);
        const int done = mainWindow.count(UM_OPEN_DONE);
        const double openStart = nowMs();
        pushEngineCommand(CmdOpen, pair.frontPath.c_str());
        if (!mainWindow.waitFor(UM_OPEN_DONE, std::chrono::minutes(2), done + 1)) {
            std::fprintf(stderr, "moksel-bench: the engine did not open the recording\n");
            return 1;
        }
        engineMs.push_back(nowMs() - openStart);
    }
    pushEngineCommand(CmdClose);
    pushEngineCommand(CmdQuit);
    engine->waitForEnd(std::chrono::seconds(30));
    engine->join();
    playbackState.mainWindow = nullptr;

    const double engineMedian = median(engineMs);
    const double referenceMedian = median(referenceMs);
    std::printf("open-engine-ms: %.1f\n", engineMedian);
    std::printf("open-reference-ms: %.1f\n", referenceMedian);
    std::printf("open-ratio: %.3f\n", engineMedian / referenceMedian);
    return 0;
}

}  // namespace moksel::bench
