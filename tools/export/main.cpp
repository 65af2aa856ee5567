// moksel-export FRONT.mp4 [--from S --to S] [--layout side|pip|front|rear] [--no-overlay]
//               [--gpx|--kml|--csv] -o OUT
#include <QGuiApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "export/export_options.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

using namespace moksel::exporting;

constexpr const char* kUsage =
    R"(usage: moksel-export FRONT.mp4 [options] -o OUT

Writes one MP4 of a front recording and its rear recording (found by the file name): both
cameras composed, the date and time, speed, position, heading and G values drawn in, the
front sound, H.264 + AAC. A JSON record with the SHA-256 of the recordings and of the video
is written beside it (OUT with the extension .json).

  -o, --output OUT        the file to write (required)
  --from S                start of the range in seconds from the recording's start (default 0)
  --to S                  end of the range in seconds (default: the end)
  --continue              go on into the next recordings of the same drive
  --layout L              side (default) | pip | front | rear
  --no-overlay            no data drawn into the picture
  --mph                   speed in mph (default km/h)
  --mirror, --flip        show the rear mirrored / upside down
  --crf N                 x264 quality (default 20)
  --preset P              x264 speed preset (default veryfast)
  --threads N             encoder threads, 0 = automatic (default 0)
  --gpx | --kml | --csv   write the GPS track of the range instead of a video (GPX and
                          KML times in UTC, from the GPS; the CSV index is the frame number)
  --quiet                 no progress on standard error
  --help                  this text

Exit status: 0 done, 1 the export failed (the message says why), 2 bad arguments,
3 cancelled (interrupt).
)";

std::atomic<bool> interrupted{false};

void onInterrupt(int) { interrupted.store(true); }

// Qt's notes about the session (no runtime folder and the like) mean nothing to a batch tool;
// only its errors are passed on.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "moksel-export: %s\n", qPrintable(message));
}

bool parseSeconds(std::string_view text, int64_t& ms) {
    try {
        size_t used = 0;
        const double s = std::stod(std::string(text), &used);
        if (used != text.size() || !(s >= 0) || s > 1e7) return false;
        ms = static_cast<int64_t>(s * 1000.0 + 0.5);
        return true;
    } catch (...) {
        return false;
    }
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "moksel-export: %s (see --help)\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ExportRequest request;
    bool track = false, quiet = false;
    TrackFormat format = TrackFormat::Gpx;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--no-overlay") {
            request.overlay = false;
        } else if (a == "--continue") {
            request.continueDrive = true;
        } else if (a == "--mph") {
            request.useMph = true;
        } else if (a == "--mirror") {
            request.rearMirror = true;
        } else if (a == "--flip") {
            request.rearFlip = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a == "--gpx" || a == "--kml" || a == "--csv") {
            track = true;
            format = a == "--gpx" ? TrackFormat::Gpx : a == "--kml" ? TrackFormat::Kml : TrackFormat::Csv;
        } else if (a == "-o" || a == "--output" || a == "--from" || a == "--to" ||
                   a == "--layout" || a == "--crf" || a == "--preset" || a == "--threads") {
            const char* v = value();
            if (!v) return usageError(std::string(a) + " needs a value");
            if (a == "-o" || a == "--output") {
                request.outputPath = v;
            } else if (a == "--from") {
                if (!parseSeconds(v, request.fromMs)) return usageError("--from wants seconds >= 0");
            } else if (a == "--to") {
                if (!parseSeconds(v, request.toMs)) return usageError("--to wants seconds >= 0");
            } else if (a == "--layout") {
                if (!layoutFromName(v, request.layout))
                    return usageError("--layout wants side, pip, front or rear");
            } else if (a == "--preset") {
                request.preset = v;
            } else {
                char* end = nullptr;
                const long n = std::strtol(v, &end, 10);
                if (!*v || *end || n < 0 || n > 51) return usageError(std::string(a) + " wants a number");
                (a == "--crf" ? request.crf : request.encoderThreads) = int(n);
            }
        } else if (!a.empty() && a[0] == '-') {
            return usageError(std::string(a) + ": unknown option");
        } else if (request.frontPath.empty()) {
            request.frontPath = a;
        } else {
            return usageError("one recording at a time");
        }
    }
    if (request.frontPath.empty()) return usageError("no recording given");
    if (request.outputPath.empty()) return usageError("no output given (-o OUT)");
    if (request.toMs >= 0 && request.toMs <= request.fromMs)
        return usageError("--to must be later than --from");

    av_log_set_level(AV_LOG_ERROR);
    ExportResult result;
    if (track) {
        result = exportTrack(request, format);
    } else {
        // The overlay's text needs Qt's fonts, not a screen: this tool never opens a window.
        int qtArgc = 3;
        char platformOption[] = "-platform";
        char platform[] = "offscreen";
        char* qtArgv[] = {argv[0], platformOption, platform, nullptr};
        qInstallMessageHandler(qtMessages);
        QGuiApplication app(qtArgc, qtArgv);
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        int lastPercent = -1;
        auto progress = [&](int done, int total) {
            const int percent = total > 0 ? done * 100 / total : 0;
            if (quiet || percent == lastPercent) return;
            lastPercent = percent;
            std::fprintf(stderr, "\rmoksel-export: %3d%% (%d of %d frames)", percent, done, total);
            if (done == total) std::fputc('\n', stderr);
        };
        result = exportVideo(request, progress, &interrupted);
    }
    for (const std::string& w : result.warnings)
        std::fprintf(stderr, "moksel-export: warning: %s\n", w.c_str());
    switch (result.status) {
        case ExportStatus::Done:
            if (!quiet) {
                std::fprintf(stderr, "moksel-export: wrote %s", result.outputPath.c_str());
                if (!result.recordPath.empty())
                    std::fprintf(stderr, " (%d frames, %.3f s) and %s", result.frames,
                                 result.durationMs / 1000.0, result.recordPath.c_str());
                std::fputc('\n', stderr);
            }
            return 0;
        case ExportStatus::Cancelled:
            std::fprintf(stderr, "\nmoksel-export: cancelled; nothing was written\n");
            return 3;
        case ExportStatus::Failed:
            break;
    }
    std::fprintf(stderr, "moksel-export: %s\n", result.error.c_str());
    return 1;
}
