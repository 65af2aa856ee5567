// Exporting a 60-second 1280 x 720 pair side by side with the overlay, against the ffmpeg
// program composing the same pair (hstack, the front sound) with the same encoders and
// settings and no overlay, alternating in the same run.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "export/export_options.h"

extern "C" {
#include <libavutil/log.h>
}

namespace moksel::bench {

int runExportBench(int rounds) {
    av_log_set_level(AV_LOG_QUIET);
    if (std::system("ffmpeg -hide_banner -version > /dev/null 2>&1") != 0) {
        std::fprintf(stderr, "moksel-bench: the ffmpeg program is needed for the reference\n");
        return 2;
    }
    int qtArgc = 3;
    char name[] = "moksel-bench", option[] = "-platform", platform[] = "offscreen";
    char* qtArgv[] = {name, option, platform, nullptr};
    QGuiApplication app(qtArgc, qtArgv);  // the overlay's fonts

    const gen::GenResult pair = makePair("export", 1800, 1280, 720);
    exporting::ExportRequest request;
    request.frontPath = pair.frontPath;
    request.outputPath = benchFolder() + "/export-ours.mp4";
    request.layout = exporting::Layout::SideBySide;
    request.overlay = true;
    const std::string reference =
        "ffmpeg -v error -y -i '" + pair.frontPath + "' -i '" + pair.rearPath +
        "' -filter_complex '[0:v][1:v]hstack=inputs=2[v]' -map '[v]' -map 0:a -c:v libx264 "
        "-preset " + request.preset + " -crf " + std::to_string(request.crf) +
        " -c:a aac -b:a 64k -movflags +faststart '" + benchFolder() + "/export-reference.mp4'";

    std::vector<double> oursMs, referenceMs, oursCpu, referenceCpu;
    auto runOurs = [&]() {
        const double cpu = cpuSeconds(RUSAGE_SELF);
        const double start = nowMs();
        const exporting::ExportResult result = exporting::exportVideo(request, nullptr, nullptr);
        oursMs.push_back(nowMs() - start);
        oursCpu.push_back(cpuSeconds(RUSAGE_SELF) - cpu);
        if (result.status == exporting::ExportStatus::Done && result.frames == 1800) return true;
        std::fprintf(stderr, "moksel-bench: the export failed: %s\n", result.error.c_str());
        return false;
    };
    auto runReference = [&]() {
        const double cpu = cpuSeconds(RUSAGE_CHILDREN);
        const double start = nowMs();
        const bool ok = std::system(reference.c_str()) == 0;
        referenceMs.push_back(nowMs() - start);
        referenceCpu.push_back(cpuSeconds(RUSAGE_CHILDREN) - cpu);
        if (!ok) std::fprintf(stderr, "moksel-bench: the reference ffmpeg run failed\n");
        return ok;
    };
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so a change in the machine's load hits both alike.
        const bool ok = round % 2 == 0 ? runOurs() && runReference() : runReference() && runOurs();
        if (!ok) return 1;
        std::fprintf(stderr, "round %d: export %.0f ms (cpu %.1f s), ffmpeg %.0f ms (cpu %.1f s)\n",
                     round + 1, oursMs.back(), oursCpu.back(), referenceMs.back(),
                     referenceCpu.back());
    }
    std::printf("export-ms: %.0f\n", median(oursMs));
    std::printf("export-reference-ms: %.0f\n", median(referenceMs));
    std::printf("export-cpu-ratio: %.3f\n", median(oursCpu) / median(referenceCpu));
    std::printf("export-ratio: %.3f\n", median(oursMs) / median(referenceMs));
    return 0;
}

}  // namespace moksel::bench
