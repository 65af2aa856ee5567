// The real window's cost: starts the viewer program under the current display with a generated
// pair on its command line (one file plays at once), reads the frame number shown in the front
// view from the screen, and measures the CPU of the viewer's whole process tree (the page view's
// helper processes included) over the frames it shows. The reference is the ffmpeg program
// decoding both videos with one thread each, in the same run.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "frame_pattern.h"

extern "C" {
#include <libavutil/log.h>
}

namespace moksel::bench {

namespace {

using namespace std::chrono_literals;

// Where the front view and the map button lie on the screen: the main window places itself at
// the screen's top-left corner.
constexpr int kFrontViewX = 18, kFrontViewY = 70, kViewWidth = 487, kViewHeight = 311;
constexpr int kMapButtonX = 837 + 84, kMapButtonY = 381 + 17;

// CPU seconds (user + system) of a process and of every live process below it, with the
// children each of them has already reaped.
double treeCpuSeconds(pid_t root) {
    static const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    struct Entry {
        pid_t parent = 0;
        double seconds = 0;
    };
    std::map<pid_t, Entry> processes;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return 0;
    while (dirent* item = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(item->d_name));
        if (pid <= 0) continue;
        std::ifstream in("/proc/" + std::string(item->d_name) + "/stat");
        std::string line;
        if (!std::getline(in, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(line.substr(close + 2));
        std::string state;
        long long parent = 0, skip = 0, utime = 0, stime = 0, cutime = 0, cstime = 0;
        fields >> state >> parent;
        for (int i = 0; i < 9; ++i) fields >> skip;  // pgrp .. cmajflt
        fields >> utime >> stime >> cutime >> cstime;
        processes[pid] = {static_cast<pid_t>(parent), (utime + stime + cutime + cstime) / ticks};
    }
    closedir(proc);
    double total = 0;
    for (const auto& [pid, entry] : processes) {
        for (pid_t p = pid; p > 1;) {
            if (p == root) {
                total += entry.seconds;
                break;
            }
            auto up = processes.find(p);
            if (up == processes.end()) break;
            p = up->second.parent;
        }
    }
    return total;
}

// The frame number the front view shows, -1 when none can be read.
int shownFrontFrame(Display* display) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), kFrontViewX, kFrontViewY,
                              kViewWidth, kViewHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return -1;
    int frame = -1;
    if (image->bits_per_pixel == 32) {
        frame = gen::readFrameNumber(reinterpret_cast<const uint8_t*>(image->data), kViewWidth,
                                     kViewHeight, image->bytes_per_line);
    }
    XDestroyImage(image);
    return frame;
}

std::string defaultViewerPath() {
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "moksel-viewer";
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/'));
    return path + "/../mainwindow/moksel-viewer";
}

pid_t startViewer(const std::string& viewer, const std::string& recording) {
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);  // its own group, so the page view's helpers end with it
        // Settings of the run's own beside the recording: the viewer keeps what it showed (the
        // map) when it ends, and the user's own settings are never touched.
        const std::string settings = recording.substr(0, recording.rfind('/')) + "/settings";
        setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
        const char* argv[] = {viewer.c_str(), recording.c_str(), nullptr};
        execv(viewer.c_str(), const_cast<char* const*>(argv));
        std::fprintf(stderr, "moksel-bench: cannot start %s: %s\n", viewer.c_str(), std::strerror(errno));
        _exit(127);
    }
    if (pid > 0) setpgid(pid, pid);
    return pid;
}

void endViewer(pid_t pid) {
    kill(-pid, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(100ms);
    }
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

struct ViewerRun {
    bool ok = false;
    double cpuSeconds = 0;  // over the frames shown between the two readings
    int frames = 0;         // frames advanced between the two readings
    double wallSeconds = 0;
    double startCpuSeconds = 0;  // start-up and open, up to the first frame read
};

// Plays the pair in the viewer and measures from the first frame read after `settleFrames`
// to the last one before the end (the list then plays the recording again from the start).
ViewerRun measureViewer(Display* display, const std::string& viewer, const gen::GenResult& pair,
                        int totalFrames, bool showMap) {
    ViewerRun run;
    const pid_t pid = startViewer(viewer, pair.frontPath);
    if (pid <= 0) return run;
    const double started = nowMs();
    int frame = -1;
    while (frame < 0 && nowMs() - started < 120000) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "moksel-bench: the viewer ended before it showed a picture\n");
            return run;
        }
        std::this_thread::sleep_for(50ms);
        frame = shownFrontFrame(display);
    }
    if (frame < 0) {
        std::fprintf(stderr, "moksel-bench: no frame number read from the front view\n");
        endViewer(pid);
        return run;
    }
    run.startCpuSeconds = treeCpuSeconds(pid);
    if (showMap) {
        const std::string click = "xdotool mousemove " + std::to_string(kMapButtonX) + " " +
                                  std::to_string(kMapButtonY) + " click 1 >/dev/null 2>&1";
        if (std::system(click.c_str()) != 0) std::fprintf(stderr, "moksel-bench: xdotool failed\n");
    }
    // Let the start (and the map's page) settle before the measured stretch.
    const int settleFrames = std::min(90, totalFrames / 4);
    while ((frame = shownFrontFrame(display)) < settleFrames && nowMs() - started < 180000)
        std::this_thread::sleep_for(20ms);
    const int firstFrame = frame;
    const double firstCpu = treeCpuSeconds(pid);
    const double firstMs = nowMs();
    int lastFrame = firstFrame;
    double lastCpu = firstCpu, lastMs = firstMs;
    const int endFrame = totalFrames - 15;
    while (nowMs() - firstMs < totalFrames * 200.0) {
        std::this_thread::sleep_for(100ms);
        const double cpu = treeCpuSeconds(pid);
        const double ms = nowMs();
        frame = shownFrontFrame(display);
        if (frame < lastFrame) break;  // started again from the beginning
        if (frame > lastFrame) lastFrame = frame, lastCpu = cpu, lastMs = ms;
        if (frame >= endFrame) break;
    }
    endViewer(pid);
    run.frames = lastFrame - firstFrame;
    run.cpuSeconds = lastCpu - firstCpu;
    run.wallSeconds = (lastMs - firstMs) / 1000.0;
    run.ok = run.frames > 0;
    return run;
}

double ffmpegDecodeCpuSeconds(const gen::GenResult& pair) {
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    for (const std::string& path : {pair.frontPath, pair.rearPath}) {
        const std::string command =
            "/usr/bin/ffmpeg -nostdin -v quiet -threads 1 -i '" + path + "' -f null -";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "moksel-bench: ffmpeg failed\n");
    }
    return cpuSeconds(RUSAGE_CHILDREN) - before;
}

}  // namespace

int runViewerBench(int seconds, int width, int height, bool withMap, std::string viewer) {
    if (viewer.empty()) viewer = defaultViewerPath();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "moksel-bench: no display (run under X or Xvfb, screen 1024x768 or more)\n");
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);  // the encoders' banners
    const int frames = seconds * 30;
    const gen::GenResult pair =
        makePair("viewer-" + std::to_string(width) + "x" + std::to_string(height) + "-" +
                     std::to_string(seconds),
                 frames, width, height);
    const double reference = ffmpegDecodeCpuSeconds(pair);
    std::printf("pair: %dx%d, %d s, %d frames per camera\n", width, height, seconds, frames);
    std::printf("ffmpeg-cpu-s: %.2f (one thread, decoding both videos)\n", reference);

    int status = 0;
    for (bool showMap : {false, true}) {
        if (showMap && !withMap) break;
        const ViewerRun run = measureViewer(display, viewer, pair, frames, showMap);
        if (!run.ok || reference <= 0) {
            std::fprintf(stderr, "moksel-bench: the viewer run%s gave no measurement\n",
                         showMap ? " with the map" : "");
            status = 1;
            continue;
        }
        // The viewer's CPU for every frame of the pair, from the stretch it was watched.
        const double viewerCpu = run.cpuSeconds * frames / run.frames;
        const char* suffix = showMap ? "-map-shown" : "";
        std::printf("viewer%s-start-cpu-s: %.2f (start and open, up to the first picture)\n", suffix,
                    run.startCpuSeconds);
        std::printf("viewer%s-cpu-s: %.2f (for %d frames; %d frames watched in %.1f s: %.1f fps)\n",
                    suffix, viewerCpu, frames, run.frames, run.wallSeconds,
                    run.frames / std::max(run.wallSeconds, 0.001));
        std::printf("viewer-cpu-ratio%s: %.2f\n", suffix, viewerCpu / reference);
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return status;
}

}  // namespace moksel::bench
