// The export button on a generated recording: the options box comes up with playback paused,
// the export runs with the progress box up, and the video holds the range chosen, the rear
// mirrored as the window shows it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>

#include "dialogs/export_boxes.h"
#include "dialogs/message_boxes.h"
#include "dialogs/message_texts.h"
#include "engine/playback_state.h"
#include "engine_recorder.h"
#include "frame_pattern.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"
#include "recording_generator.h"
#include "../tools/media_probe.h"

namespace moksel {
namespace {

// Runs `step` on the next modal box of type T once it is shown.
template <typename T>
void whenShown(std::function<void(T*)> step) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [step, poll] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = dynamic_cast<T*>(w); box && box->isVisible()) {
                step(box);
                return;
            }
        }
        QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
}

// Once the progress box shows its outcome: keeps its text in `outcome` and closes the box.
void closeProgressWhenDone(QString& outcome) {
    whenShown<OstrelExportProgressBox>([&outcome](OstrelExportProgressBox* progress) {
        auto wait = std::make_shared<std::function<void()>>();
        *wait = [&outcome, progress, wait] {
            if (!progress->finished()) return QTimer::singleShot(20, *wait);
            outcome = progress->text();
            progress->button()->click();
        };
        (*wait)();
    });
}

// Options for a small generated pair (320x180, `frames` pictures) written into `folder`.
gen::GenOptions smallPair(const QTemporaryDir& folder, int frames) {
    gen::GenOptions o;
    o.outputDir = folder.path().toStdString();
    o.frames = frames;
    o.width = 320;
    o.height = 180;
    return o;
}

// A window (engine commands recorded, not run) with the pair loaded as if the engine had
// opened it, `lengthTenths` long.
std::unique_ptr<COstrelDlg> windowWithRecording(const gen::GenResult& pair, int lengthTenths) {
    playbackState.uiState = Stopped;
    auto log = std::make_shared<testing::EngineRecorder::Log>();
    auto window = std::make_unique<COstrelDlg>(std::make_unique<testing::EngineRecorder>(log));
    window->setBoxRunners([](QWidget*, int) { return 1; }, [](QWidget*, int) { return 1; });
    window->initialise();
    window->show();
    window->setCurrentRecording(pair.frontPath, QFileInfo(QString::fromStdString(pair.frontPath)).fileName());
    window->send(UM_RECORDING_LENGTH, 0, static_cast<LParam>(lengthTenths));
    window->send(UM_OPEN_DONE, 0, 0);
    return window;
}

TEST(ExportCommand, ExportsTheChosenRangeWithThePlaybackPaused) {
    QTemporaryDir folder;
    gen::GenOptions o = smallPair(folder, 60);
    gen::GenResult pair;
    std::string error;
    ASSERT_TRUE(gen::generatePair(o, pair, error)) << error;

    auto windowOwner = windowWithRecording(pair, 20);  // 2.0 s
    COstrelDlg& window = *windowOwner;
    playbackState.openState = FrontAndRear;
    window.button(kButtonMirror)->click();
    ASSERT_TRUE(window.rearLeftRight());

    const QString out = folder.filePath(QStringLiteral("clip.mp4"));
    int stateInBox = -1;
    QString outcome;
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        stateInBox = playbackState.uiState.load();
        EXPECT_EQ(box->choices().toS, 2.0) << "the markers at their ends: the whole recording";
        box->findChild<QDoubleSpinBox*>(QStringLiteral("from"))->setValue(0.5);
        box->findChild<QDoubleSpinBox*>(QStringLiteral("to"))->setValue(1.5);
        box->findChild<QLineEdit*>(QStringLiteral("destination"))->setText(out);
        box->okButton()->click();
        if (box->isVisible()) return box->reject();  // refused: end the test, not hang it
        closeProgressWhenDone(outcome);
    });
    window.button(kButtonExport)->click();  // returns when the boxes have closed

    EXPECT_EQ(stateInBox, Paused);
    EXPECT_TRUE(outcome.contains(QStringLiteral("clip.mp4"))) << outcome.toStdString();
    std::vector<int> rearNumbers;
    gen::test::decodeVideo(out.toStdString(), 0, {}, [&](int, const gen::test::Bgra& b) {
        gen::FrameMark mark;
        const int half = b.width / 2;
        if (gen::readFrameMark(b.pixels.data() + half * 4, half, b.height, b.stride(), mark,
                               gen::kMirrored))
            rearNumbers.push_back(mark.frameNumber);
    });
    ASSERT_EQ(rearNumbers.size(), 30u);
    EXPECT_EQ(rearNumbers.front(), 15);
    EXPECT_EQ(rearNumbers.back(), 44);
    EXPECT_TRUE(std::filesystem::exists(folder.filePath(QStringLiteral("clip.json")).toStdString()));
    playbackState.uiState = Stopped;
    playbackState.openState = NoRecording;
}

// A-B markers put by key on frames 17 and 44: the box offers their stretch to the ms and the
// video holds exactly frames 17 to 44. Another recording opened, the markers (still in their
// places) no longer apply: the box offers the whole recording.
TEST(ExportCommand, MarkersPutOnFramesExportExactlyThoseFrames) {
    QTemporaryDir folder;
    gen::GenOptions o = smallPair(folder, 60);
    gen::GenResult pair, other;
    std::string error;
    ASSERT_TRUE(gen::generatePair(o, pair, error)) << error;
    o.start.second = 30;
    ASSERT_TRUE(gen::generatePair(o, other, error)) << error;

    auto windowOwner = windowWithRecording(pair, 20);
    COstrelDlg& window = *windowOwner;
    playbackState.openState = FrontAndRear;
    // The engine shows frame 17 (567 ms, the position bar at 0.5 s), then frame 44 (1467 ms).
    for (const auto& [ms, key] : {std::pair{567, Qt::Key_A}, std::pair{1467, Qt::Key_B}}) {
        window.send(UM_TELEMETRY_TIME, WParam(ms), 0);
        window.send(UM_POSITION, WParam(ms / 100), 0);
        QTest::keyClick(&window, key);
    }

    const QString out = folder.filePath(QStringLiteral("ab.mp4"));
    ExportChoices offered;
    QString outcome;
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        offered = box->choices();
        box->findChild<QComboBox*>(QStringLiteral("layout"))->setCurrentIndex(2);  // front
        box->findChild<QLineEdit*>(QStringLiteral("destination"))->setText(out);
        box->okButton()->click();
        if (box->isVisible()) return box->reject();
        closeProgressWhenDone(outcome);
    });
    window.button(kButtonExport)->click();
    EXPECT_DOUBLE_EQ(offered.fromS, 0.567);
    EXPECT_DOUBLE_EQ(offered.toS, 1.5);  // frame 45's time: the end of frame 44
    std::vector<int> numbers;
    gen::test::decodeVideo(out.toStdString(), 0, {}, [&](int, const gen::test::Bgra& b) {
        numbers.push_back(gen::readFrameNumber(b.pixels.data(), b.width, b.height, b.stride()));
    });
    ASSERT_EQ(numbers.size(), 28u) << outcome.toStdString();
    EXPECT_EQ(numbers.front(), 17);
    EXPECT_EQ(numbers.back(), 44);

    window.setCurrentRecording(other.frontPath, QFileInfo(QString::fromStdString(other.frontPath)).fileName());
    window.send(UM_RECORDING_LENGTH, 0, 20);
    window.send(UM_OPEN_DONE, 0, 0);
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        offered = box->choices();
        box->reject();
    });
    window.button(kButtonExport)->click();
    EXPECT_EQ(offered.fromS, 0.0) << "the markers of the recording before";
    EXPECT_EQ(offered.toS, 2.0);
    playbackState.uiState = Stopped;
    playbackState.openState = NoRecording;
}

// An existing file as the destination: the window asks before replacing it; declined, the box
// comes back with the choices made and the file is untouched; agreed, the export replaces it.
TEST(ExportCommand, AsksBeforeReplacingAFile) {
    QTemporaryDir folder;
    gen::GenOptions o = smallPair(folder, 15);
    gen::GenResult pair;
    std::string error;
    ASSERT_TRUE(gen::generatePair(o, pair, error)) << error;
    auto windowOwner = windowWithRecording(pair, 5);
    COstrelDlg& window = *windowOwner;
    const QString out = folder.filePath(QStringLiteral("old.mp4"));
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("an earlier export") == 17);
    old.close();
    std::vector<int> asked;
    window.setBoxRunners([](QWidget*, int) { return kBoxOk; }, [&asked](QWidget*, int code) {
        asked.push_back(code);
        return asked.size() == 1 ? kBoxCancel : kBoxOk;
    });

    QString offeredAgain, outcome;
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        box->findChild<QLineEdit*>(QStringLiteral("destination"))->setText(out);
        box->okButton()->click();  // declined: the box again
        whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* again) {
            offeredAgain = again->choices().destination;
            EXPECT_EQ(QFileInfo(out).size(), 17) << "replaced before the user agreed";
            again->okButton()->click();
            if (again->isVisible()) again->reject();
        });
        closeProgressWhenDone(outcome);  // also when the export started without asking
    });
    window.button(kButtonExport)->click();
    EXPECT_EQ(asked, (std::vector<int>{kAskOverwriteFile, kAskOverwriteFile}));
    EXPECT_EQ(offeredAgain.toStdString(), out.toStdString());
    EXPECT_GT(QFileInfo(out).size(), 1000) << outcome.toStdString();
    playbackState.uiState = Stopped;
}

// The same box writes the drive's GPS track instead: the destination's ending follows the
// format, the layout no longer applies, and the file holds the track of the range.
TEST(ExportCommand, WritesTheTrackInTheFormatChosen) {
    QTemporaryDir folder;
    gen::GenOptions o = smallPair(folder, 90);
    o.gps = gen::GpsMode::AllFix;
    gen::GenResult pair;
    std::string error;
    ASSERT_TRUE(gen::generatePair(o, pair, error)) << error;

    auto windowOwner = windowWithRecording(pair, 30);
    COstrelDlg& window = *windowOwner;

    const QString out = folder.filePath(QStringLiteral("track.mp4"));
    QString destination, outcome;
    bool layoutEnabled = true;
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        box->findChild<QLineEdit*>(QStringLiteral("destination"))->setText(out);
        box->findChild<QComboBox*>(QStringLiteral("format"))->setCurrentIndex(1);  // GPX
        destination = box->choices().destination;
        layoutEnabled = box->findChild<QComboBox*>(QStringLiteral("layout"))->isEnabled();
        box->okButton()->click();
        if (box->isVisible()) return box->reject();
        closeProgressWhenDone(outcome);
    });
    window.button(kButtonExport)->click();

    EXPECT_EQ(destination, folder.filePath(QStringLiteral("track.gpx")));
    EXPECT_FALSE(layoutEnabled);
    EXPECT_TRUE(outcome.contains(QStringLiteral("track.gpx"))) << outcome.toStdString();
    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<gpx")) << text.left(200).toStdString();
    // One point per frame with a fix: 90 frames, all with a fix.
    EXPECT_EQ(text.count("<trkpt"), 90);

    // A recording without telemetry: the box says why in Korean.
    o.telemetry = false;
    o.start.second = 30;
    ASSERT_TRUE(gen::generatePair(o, pair, error)) << error;
    window.setCurrentRecording(pair.frontPath, QStringLiteral("bare"));
    whenShown<OstrelExportOptionsBox>([&](OstrelExportOptionsBox* box) {
        box->findChild<QLineEdit*>(QStringLiteral("destination"))->setText(folder.filePath(QStringLiteral("bare.gpx")));
        box->findChild<QComboBox*>(QStringLiteral("format"))->setCurrentIndex(1);
        box->okButton()->click();
        if (box->isVisible()) return box->reject();
        closeProgressWhenDone(outcome);
    });
    window.button(kButtonExport)->click();
    EXPECT_TRUE(outcome.contains(QStringLiteral("GPS 기록이 없습니다"))) << outcome.toStdString();
    playbackState.uiState = Stopped;
    playbackState.openState = NoRecording;
}

}  // namespace
}  // namespace moksel
