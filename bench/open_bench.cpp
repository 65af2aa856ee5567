// Opening a 60-second 1280 x 720 pair (everything up to UM_OPEN_DONE) against reading every
// packet of both files with libavformat alone.
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "engine/engine.h"
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

}  // namespace

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
