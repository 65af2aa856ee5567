// Reads what the running viewer shows, for the end-to-end playback test.
//
//   moksel-e2e-probe read FILE.png
//       One screenshot of the whole screen (the viewer's window at (0, 0)): prints the frame
//       number and camera read from the front and the rear view, the list rows that show text
//       and the row that carries the selection bar.
//   moksel-e2e-probe watch SECONDS INTERVAL_MS [--save FILE.png] [--until-playing]
//                          [--until-restart] [--until-selected ROW] [--until-rows N]
//       Grabs the screen of $DISPLAY every INTERVAL_MS for at most SECONDS and prints one line
//       per grab. --save keeps the first grab with a readable front picture from the second half of the watch. --until-playing
//       stops at the first grab whose front picture has a number; --until-restart stops once the
//       front number falls well below the highest one seen (a new recording started);
//       --until-selected stops once the selection bar is on the given row; --until-rows once at
//       least N list rows show text. With an --until option the exit status is 3 when the
//       condition was not met in time.
//   moksel-e2e-probe settle SECONDS
//       Grabs until the front and rear numbers have stayed the same for a while (a still
//       picture), at most SECONDS, and prints the settled grab.
//   moksel-e2e-probe sound FILE CHANNELS RATE
//       Examines raw signed 16-bit sound as written by the sound output: its length, how much
//       of it is not silent, the level and the frequency (zero crossings) of that part.
//
// Every grab is printed as
//   t_ms=T front=N front_camera=C rear=M rear_camera=C rows=K selected=R
// with -1 for what cannot be read. The caller compares the figures; this program only reads.
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame_pattern.h"

namespace {

using moksel::gen::FrameMark;

// Places in the viewer's window, which sits at the screen's top left corner.
const QRect kFrontView(18, 70, 487, 311);
const QRect kRearView(518, 70, 487, 311);
constexpr int kListLeft = 661;
constexpr int kListTop = 428;
constexpr int kRowCount = 12;
constexpr int kRowHeight = 20;
constexpr int kFirstRowTop = 18;
constexpr int kRowsWidth = 330;

struct Reading {
    qint64 timeMs = 0;
    int front = -1;
    int frontCamera = -1;
    int rear = -1;
    int rearCamera = -1;
    int rowsWithText = 0;
    int selectedRow = -1;
};

void readView(const QImage& screen, const QRect& view, int& number, int& camera) {
    number = -1;
    camera = -1;
    if (!screen.rect().contains(view)) return;
    const QImage picture = screen.copy(view).convertToFormat(QImage::Format_ARGB32);
    FrameMark mark;
    if (moksel::gen::readFrameMark(picture.constBits(), picture.width(), picture.height(),
                                   static_cast<int>(picture.bytesPerLine()), mark)) {
        number = mark.frameNumber;
        camera = static_cast<int>(mark.camera);
    }
}

// Rows show light grey text on dark grey bands; the selection bar is a blue band.
void readList(const QImage& screen, int& rowsWithText, int& selectedRow) {
    rowsWithText = 0;
    selectedRow = -1;
    int bluest = 0;
    for (int r = 0; r < kRowCount; ++r) {
        const int top = kListTop + kFirstRowTop + r * kRowHeight;
        int light = 0;
        int blue = 0;
        int total = 0;
        for (int y = top + 1; y < top + kRowHeight - 1; ++y) {
            for (int x = kListLeft + 4; x < kListLeft + kRowsWidth; ++x) {
                if (!screen.valid(x, y)) continue;
                const QRgb p = screen.pixel(x, y);
                const int red = qRed(p), green = qGreen(p), b = qBlue(p);
                ++total;
                if (std::min({red, green, b}) > 150) ++light;
                if (b - red > 40) ++blue;
            }
        }
        if (total == 0) continue;
        if (light > 30) ++rowsWithText;
        // Most of a selected band is blue (its text is not).
        if (blue * 2 > total && blue > bluest) {
            bluest = blue;
            selectedRow = r;
        }
    }
}

Reading readScreen(const QImage& screen) {
    Reading reading;
    readView(screen, kFrontView, reading.front, reading.frontCamera);
    readView(screen, kRearView, reading.rear, reading.rearCamera);
    readList(screen, reading.rowsWithText, reading.selectedRow);
    return reading;
}

void print(const Reading& r) {
    std::printf("t_ms=%lld front=%d front_camera=%d rear=%d rear_camera=%d rows=%d selected=%d\n",
                static_cast<long long>(r.timeMs), r.front, r.frontCamera, r.rear, r.rearCamera,
                r.rowsWithText, r.selectedRow);
    std::fflush(stdout);
}

QImage grab() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    return screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

int usage() {
    std::fprintf(stderr,
                 "usage: moksel-e2e-probe read FILE.png\n"
                 "       moksel-e2e-probe watch SECONDS INTERVAL_MS [--save FILE.png] [--until-playing]\n"
                 "                              [--until-restart] [--until-selected ROW] [--until-rows N]\n"
                 "       moksel-e2e-probe settle SECONDS\n"
                 "       moksel-e2e-probe sound FILE CHANNELS RATE\n");
    return 2;
}

int readFile(const char* path) {
    QImage image(QString::fromLocal8Bit(path));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    print(readScreen(image.convertToFormat(QImage::Format_RGB32)));
    return 0;
}

int watch(int argc, char** argv) {
    if (argc < 4) return usage();
    const double seconds = std::atof(argv[2]);
    const int intervalMs = std::max(10, std::atoi(argv[3]));
    QString savePath;
    bool untilPlaying = false;
    bool untilRestart = false;
    int untilSelected = -1;
    int untilRows = -1;
    for (int i = 4; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--save") && i + 1 < argc) savePath = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--until-playing")) untilPlaying = true;
        else if (!std::strcmp(argv[i], "--until-restart")) untilRestart = true;
        else if (!std::strcmp(argv[i], "--until-selected") && i + 1 < argc) untilSelected = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--until-rows") && i + 1 < argc) untilRows = std::atoi(argv[++i]);
        else return usage();
    }
    QElapsedTimer clock;
    clock.start();
    int highest = -1;
    bool saved = savePath.isEmpty();
    while (clock.elapsed() < static_cast<qint64>(seconds * 1000)) {
        const qint64 started = clock.elapsed();
        const QImage screen = grab();
        Reading reading = readScreen(screen);
        // The moment of the grab: the middle of the time it took.
        reading.timeMs = (started + clock.elapsed()) / 2;
        print(reading);
        if (!saved && reading.front >= 0 && started * 2 >= static_cast<qint64>(seconds * 1000))
            saved = screen.save(savePath);
        if (untilPlaying && reading.front >= 0) return 0;
        if (untilRestart && reading.front >= 0 && highest >= 0 && reading.front + 30 < highest) return 0;
        if (untilSelected >= 0 && reading.selectedRow == untilSelected) return 0;
        if (untilRows >= 0 && reading.rowsWithText >= untilRows) return 0;
        highest = std::max(highest, reading.front);
        const qint64 next = started + intervalMs;
        if (clock.elapsed() < next) QThread::msleep(static_cast<unsigned long>(next - clock.elapsed()));
    }
    return untilPlaying || untilRestart || untilSelected >= 0 || untilRows >= 0 ? 3 : 0;
}

// A still picture: the same numbers on several grabs over at least 600 ms.
int settle(int argc, char** argv) {
    if (argc < 3) return usage();
    const double seconds = std::atof(argv[2]);
    QElapsedTimer clock;
    clock.start();
    Reading first;
    bool haveFirst = false;
    Reading last;
    // Steps and seeks reach the views through the engine's queue; give them time to arrive.
    QThread::msleep(300);
    while (clock.elapsed() < static_cast<qint64>(seconds * 1000)) {
        last = readScreen(grab());
        last.timeMs = clock.elapsed();
        if (!haveFirst || last.front != first.front || last.rear != first.rear) {
            first = last;
            haveFirst = true;
        } else if (last.timeMs - first.timeMs >= 600) {
            print(last);
            return 0;
        }
        QThread::msleep(100);
    }
    print(last);
    return 3;
}

int sound(int argc, char** argv) {
    if (argc < 5) return usage();
    const int channels = std::max(1, std::atoi(argv[3]));
    const int rate = std::max(1, std::atoi(argv[4]));
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("sound_bytes=0 sound_seconds=0 nonsilent_seconds=0 level=0 frequency_hz=0\n");
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.constData());
    const int64_t frames = bytes.size() / static_cast<int64_t>(2 * channels);
    // 10 ms blocks of the first channel; a block counts as sound above -40 dBFS.
    const int64_t block = std::max(1, rate / 100);
    double sumSquares = 0;
    int64_t loudFrames = 0;
    int64_t crossings = 0;
    for (int64_t start = 0; start + block <= frames; start += block) {
        double squares = 0;
        for (int64_t i = start; i < start + block; ++i) {
            const double v = samples[i * channels] / 32768.0;
            squares += v * v;
        }
        if (std::sqrt(squares / block) < 0.01) continue;
        sumSquares += squares;
        loudFrames += block;
        for (int64_t i = start + 1; i < start + block; ++i) {
            const bool below = samples[(i - 1) * channels] < 0;
            const bool nowBelow = samples[i * channels] < 0;
            if (below != nowBelow) ++crossings;
        }
    }
    const double level = loudFrames > 0 ? std::sqrt(sumSquares / loudFrames) : 0.0;
    const double loudSeconds = static_cast<double>(loudFrames) / rate;
    // Two crossings per period; each block loses the crossing at its first sample.
    const double frequency = loudFrames > 0 ? crossings / 2.0 / (loudSeconds * (block - 1) / block) : 0.0;
    std::printf("sound_bytes=%lld sound_seconds=%.2f nonsilent_seconds=%.2f level=%.4f frequency_hz=%.0f\n",
                static_cast<long long>(bytes.size()), static_cast<double>(frames) / rate, loudSeconds, level,
                frequency);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    if (mode == "read" && argc >= 3) return readFile(argv[2]);
    if (mode == "sound") return sound(argc, argv);
    if (mode == "watch" || mode == "settle") {
        QGuiApplication application(argc, argv);
        return mode == "watch" ? watch(argc, argv) : settle(argc, argv);
    }
    return usage();
}
