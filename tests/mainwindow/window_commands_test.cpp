// The main window's device, save and window commands, with a recorder in place of the engine and
// a fixed list of volumes in place of the machine's: the camera's card found on arrival, the
// recording pair saved to a chosen folder, the configuration pop-up, the SD card format, the
// open buttons, the display option buttons and the map over the list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <deque>
#include <filesystem>

#include "device/ostrel_config_popup.h"
#include "device/ostrel_sd_card_format.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "engine/playback_state.h"
#include "engine_recorder.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "platform/window_messages.h"
#include "mainwindow/recording_copy.h"
#include "platform/bitmap_button.h"
#include "platform/mount_watcher.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include <QWebEngineView>

#include "displays/map/ostrel_popup_map.h"
#endif

namespace fs = std::filesystem;

namespace moksel {
namespace {

using testing::Calls;
using testing::EngineRecorder;

constexpr int kAskBase = 100;  // questions are logged as 100 + their code

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

Volume cardVolume(const QString& mountPoint, const char* label, const char* device = "/dev/sdz1") {
    Volume volume;
    volume.mountPoint = mountPoint.toStdString();
    volume.device = device;
    volume.label = label;
    volume.fileSystem = "vfat";
    volume.removable = true;
    return volume;
}

class WindowCommands : public ::testing::Test {
protected:
    virtual bool formatInstalled() const { return true; }

    void SetUp() override {
        playbackState.uiState = Stopped;
        playbackState.engineState = Stopped;
        playbackState.openState = NoRecording;
        log = std::make_shared<EngineRecorder::Log>();
        drives = std::make_shared<FixedDriveSystem>();
        window = std::make_unique<COstrelDlg>(std::make_unique<EngineRecorder>(log));
        window->setBoxRunners(
            [this](QWidget*, int code) {
                boxes.push_back(code);
                statesDuringBoxes.push_back(playbackState.uiState.load());
                return 1;
            },
            [this](QWidget*, int code) {
                boxes.push_back(kAskBase + code);
                statesDuringBoxes.push_back(playbackState.uiState.load());
                if (answers.empty()) return 1;
                const int answer = answers.front();
                answers.pop_front();
                return answer;
            });
        DeviceServices services;
        services.drives = drives;
        services.formatAvailable = [this] { return formatInstalled(); };
        services.warn = [this](const QString& caption, const QString& text) {
            warnings << caption + QLatin1Char('|') + text;
        };
        services.chooseSaveFolder = [this](QWidget*) {
            ++foldersAsked;
            return saveFolder;
        };
        services.format = [this](const FormatRequest& request, const FormatEventHandler& onEvent) {
            formatRequests.push_back(request);
            pathWhenFormatted = window->currentRecordingPath();
            callsWhenFormatted = log->take();
            const bool success = true;
            onEvent(kFormatDone, 0, &success);
            return success;
        };
        window->setDeviceServices(services);
        window->initialise();
        window->show();
        window->setSelectedPathSource([] { return std::string(); });
        log->take();
    }
    void TearDown() override {
        window.reset();
        playbackState.uiState = Stopped;
        playbackState.engineState = Stopped;
        playbackState.openState = NoRecording;
    }

    void loadPlayingRecording(const QString& path, int openState) {
        window->setCurrentRecording(path.toStdString(), QFileInfo(path).fileName());
        window->send(UM_OPEN_DONE, 0, 600);
        playbackState.openState = openState;
        log->take();
    }
    OstrelFileList* list() const { return window->fileList(); }
    int listed() const { return list()->recordings().count(); }
    // A card (or any folder) holding front and rear recordings named by `stamps` (HHMMSS).
    static void fillWithRecordings(const QString& folder, const QStringList& stamps, const char* type = "drf") {
        ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("DCIM")));
        for (const QString& stamp : stamps) {
            for (char camera : {'0', '1'}) {
                writeFile(QStringLiteral("%1/DCIM/%2%3_20120101_%4.mp4").arg(folder, QLatin1String(type)).arg(camera).arg(stamp),
                          QByteArray("recording ") + camera);
            }
        }
    }
    void arrive(std::vector<Volume> volumes) {
        drives->setVolumes(std::move(volumes));
        window->mountWatcher()->rescan();
        QCoreApplication::processEvents();  // the scan request is posted
    }

    std::shared_ptr<EngineRecorder::Log> log;
    std::shared_ptr<FixedDriveSystem> drives;
    std::unique_ptr<COstrelDlg> window;
    std::vector<int> boxes;
    std::vector<int> statesDuringBoxes;
    std::deque<int> answers;
    QStringList warnings;
    QString saveFolder;
    int foldersAsked = 0;
    std::vector<FormatRequest> formatRequests;
    std::string pathWhenFormatted;
    Calls callsWhenFormatted;
};

// ---- The camera's card

TEST_F(WindowCommands, ACardPluggedInReplacesTheListWithItsRecordings) {
    QTemporaryDir card, other, stick;
    fillWithRecordings(card.path(), {"120000", "120100"});
    fillWithRecordings(other.path(), {"130000"}, "evt");
    list()->addPathsAsDropped({other.path()});
    ASSERT_EQ(listed(), 1);
    ASSERT_NE(window->mountWatcher(), nullptr);

    // A drive labelled in lower case is no camera card.
    arrive({cardVolume(card.path(), "moksel")});
    EXPECT_EQ(listed(), 1);
    EXPECT_TRUE(window->sdCardRoot().isEmpty());
    drives->setVolumes({});
    window->mountWatcher()->rescan();

    arrive({cardVolume(card.path(), "MOKSEL")});
    EXPECT_EQ(window->sdCardRoot(), card.path() + QLatin1Char('/'));
    ASSERT_EQ(listed(), 2) << "the list holds the card's front recordings only";
    EXPECT_EQ(list()->recordings().entry(0).fileName, "drf0_20120101_120000.mp4");
    EXPECT_TRUE(boxes.empty());

    // Another drive arriving while the card is in leaves the list (here grown by a drop) alone.
    list()->addPathsAsDropped({other.path()});
    ASSERT_EQ(listed(), 3);
    fillWithRecordings(stick.path(), {"140000"}, "mod");
    arrive({cardVolume(card.path(), "MOKSEL"), cardVolume(stick.path(), "USB", "/dev/sdy1")});
    EXPECT_EQ(listed(), 3);

    // Of two cards arriving together the first by mount point is scanned.
    drives->setVolumes({});
    window->mountWatcher()->rescan();
    const QString first = std::min(card.path(), stick.path()), second = std::max(card.path(), stick.path());
    arrive({cardVolume(first, "MOKSEL", "/dev/sdy1"), cardVolume(second, "MOKSEL", "/dev/sdz1")});
    EXPECT_EQ(window->sdCardRoot(), first + QLatin1Char('/'));
    EXPECT_EQ(list()->recordings().entry(0).fileName.substr(0, 3), first == card.path() ? "drf" : "mod");
}

// ---- Saving the recording pair

TEST_F(WindowCommands, SaveCopiesBothFilesUnderTheirOwnNamesAfterThePauseStep) {
    QTemporaryDir card, target;
    fillWithRecordings(card.path(), {"120000"}, "evt");
    const QString front = card.filePath(QStringLiteral("DCIM/evt0_20120101_120000.mp4"));

    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, std::vector<int>{0}) << "nothing loaded";
    EXPECT_EQ(foldersAsked, 0);
    boxes.clear();

    loadPlayingRecording(front, FrontAndRear);
    // Cancelling the folder browser copies nothing and says nothing; the recording stays paused.
    window->button(kButtonSave)->click();
    EXPECT_EQ(foldersAsked, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(log->take(), Calls{"pauseOutput"});

    saveFolder = target.path();
    window->button(kButtonSave)->click();
    EXPECT_EQ(readAll(target.filePath(QStringLiteral("evt0_20120101_120000.mp4"))), QStringLiteral("recording 0"));
    EXPECT_EQ(readAll(target.filePath(QStringLiteral("evt1_20120101_120000.mp4"))), QStringLiteral("recording 1"));
    EXPECT_EQ(boxes, (std::vector<int>{6, 24}));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no scratch file left";
    EXPECT_EQ(playbackState.uiState.load(), Paused);

    // A front-only recording: one file, one notice.
    QTemporaryDir single;
    saveFolder = single.path();
    boxes.clear();
    playbackState.openState = FrontOnly;
    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, std::vector<int>{6});
    EXPECT_EQ(QDir(single.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("evt0_20120101_120000.mp4")});

    // Into the recording's own folder: the files are there already, nothing is asked or lost.
    saveFolder = card.filePath(QStringLiteral("DCIM"));
    playbackState.openState = FrontAndRear;
    boxes.clear();
    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, (std::vector<int>{6, 24}));
    EXPECT_EQ(readAll(front), QStringLiteral("recording 0"));
}

TEST_F(WindowCommands, SaveAsksBeforeReplacingAndOffersTheRearAfterADeclinedFront) {
    QTemporaryDir card, target;
    fillWithRecordings(card.path(), {"120000"});
    loadPlayingRecording(card.filePath(QStringLiteral("DCIM/drf0_20120101_120000.mp4")), FrontAndRear);
    writeFile(target.filePath(QStringLiteral("drf0_20120101_120000.mp4")), "old front");
    writeFile(target.filePath(QStringLiteral("drf1_20120101_120000.mp4")), "old rear");
    saveFolder = target.path();

    answers = {2, 1};  // keep the front, replace the rear
    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, (std::vector<int>{kAskBase + 1, kAskBase + 1, 24}));
    EXPECT_EQ(readAll(target.filePath(QStringLiteral("drf0_20120101_120000.mp4"))), QStringLiteral("old front"));
    EXPECT_EQ(readAll(target.filePath(QStringLiteral("drf1_20120101_120000.mp4"))), QStringLiteral("recording 1"));
    for (int state : statesDuringBoxes) EXPECT_EQ(state, Paused);
}

TEST_F(WindowCommands, AFailedSaveSaysSoAndLeavesTheFolderAsItWas) {
    QTemporaryDir card, target;
    fillWithRecordings(card.path(), {"120000"});
    const QString front = card.filePath(QStringLiteral("DCIM/drf0_20120101_120000.mp4"));
    loadPlayingRecording(front, FrontAndRear);
    writeFile(target.filePath(QStringLiteral("drf0_20120101_120000.mp4")), "old front");
    saveFolder = target.path();

    // The card was pulled after the recording was opened.
    ASSERT_TRUE(QDir(card.filePath(QStringLiteral("DCIM"))).removeRecursively());
    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, (std::vector<int>{kAskBase + 1, 28, 29}));
    EXPECT_EQ(readAll(target.filePath(QStringLiteral("drf0_20120101_120000.mp4"))), QStringLiteral("old front"));
    EXPECT_EQ(QDir(target.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("drf0_20120101_120000.mp4")});

    // A folder that has gone meanwhile.
    boxes.clear();
    fillWithRecordings(card.path(), {"120000"});
    saveFolder = target.filePath(QStringLiteral("gone"));
    window->button(kButtonSave)->click();
    EXPECT_EQ(boxes, (std::vector<int>{28, 29}));
}

TEST(RecordingCopy, ReplacesOnlyWhenTheWholeFileCameThrough) {
    QTemporaryDir folder;
    const fs::path from = folder.filePath(QStringLiteral("drf0_20120101_120000.mp4")).toStdString();
    const fs::path to = folder.filePath(QStringLiteral("copy.mp4")).toStdString();
    writeFile(QString::fromStdString(from), QByteArray(300000, 'x'));
    writeFile(QString::fromStdString(to), "old");

    std::error_code error;
    ASSERT_TRUE(copyRecordingFile(from, to, error)) << error.message();
    EXPECT_EQ(fs::file_size(to), 300000u);

    writeFile(QString::fromStdString(to), "old");
    EXPECT_FALSE(copyRecordingFile(folder.filePath(QStringLiteral("missing.mp4")).toStdString(), to, error));
    EXPECT_TRUE(error);
    EXPECT_FALSE(copyRecordingFile(folder.path().toStdString(), to, error)) << "a folder is no recording";
    EXPECT_EQ(readAll(QString::fromStdString(to)), QStringLiteral("old"));
    EXPECT_FALSE(copyRecordingFile(from, folder.filePath(QStringLiteral("none/copy.mp4")).toStdString(), error));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// ---- Configuration and format

TEST_F(WindowCommands, ConfigurationShowsThePopUpOverTheWindowWithTheCards) {
    QTemporaryDir card;
    drives->setVolumes({cardVolume(card.path(), "MOKSEL")});
    auto* config = dynamic_cast<OstrelConfigPopup*>(window->pane(PaneId::ConfigPopup));
    ASSERT_NE(config, nullptr);
    loadPlayingRecording(QStringLiteral("/x/drf0_20120101_120000.mp4"), FrontAndRear);

    window->button(kButtonConfig)->click();
    EXPECT_TRUE(config->isVisible());
    EXPECT_EQ(config->pos(), window->mapToGlobal(QPoint(0, 0)) + OstrelConfigPopup::kOffset);
    EXPECT_EQ(config->driveList()->count(), 1);
    // No configuration file on the card: the defaults and a notice, playback paused by it.
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes, std::vector<int>{21});
    EXPECT_EQ(statesDuringBoxes, std::vector<int>{Paused});

    config->closeButton()->click();
    EXPECT_FALSE(config->isVisible());
    window->button(kButtonConfig)->click();
    EXPECT_TRUE(config->isVisible()) << "shown again on the next press";
}

TEST_F(WindowCommands, FormatPausesThenErasesTheChosenCardAndItsEntriesLeaveTheList) {
    EXPECT_TRUE(window->button(kButtonFormat)->isEnabled());
    EXPECT_TRUE(warnings.isEmpty());
    QTemporaryDir card, other;
    fillWithRecordings(card.path(), {"120000", "120100"});
    fillWithRecordings(other.path(), {"130000"}, "evt");
    drives->setVolumes({cardVolume(card.path(), "MOKSEL")});
    list()->addPathsAsDropped({card.path(), other.path()});
    ASSERT_EQ(listed(), 3);
    loadPlayingRecording(card.filePath(QStringLiteral("DCIM/drf0_20120101_120000.mp4")), FrontAndRear);

    int stateInDialog = -1;
    QTimer::singleShot(50, [&] {
        auto* dialog = dynamic_cast<OstrelSdCardFormat*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        stateInDialog = playbackState.uiState.load();
        ASSERT_EQ(dialog->driveList()->count(), 1);
        dialog->driveList()->setCurrentIndex(0);
        dialog->startButton()->click();
    });
    window->button(kButtonFormat)->click();
    EXPECT_EQ(stateInDialog, Paused);
    ASSERT_EQ(formatRequests.size(), 1u);
    EXPECT_EQ(formatRequests[0].root, card.path().toStdString() + "/");
    EXPECT_EQ(formatRequests[0].label, "MOKSEL");
    // The recording played from the card: closed before the card is unmounted and erased.
    EXPECT_TRUE(pathWhenFormatted.empty());
    EXPECT_NE(std::find(callsWhenFormatted.begin(), callsWhenFormatted.end(), "CmdClose"),
              callsWhenFormatted.end());
    EXPECT_EQ(playbackState.uiState.load(), Stopped);
    EXPECT_EQ(boxes, (std::vector<int>{kAskBase + 0, 3}));
    ASSERT_EQ(listed(), 1);
    EXPECT_EQ(list()->recordings().entry(0).fileName.substr(0, 3), "evt");
}

class WindowCommandsWithoutFormat : public WindowCommands {
protected:
    bool formatInstalled() const override { return false; }
};

TEST_F(WindowCommandsWithoutFormat, TheFormatButtonIsOffAndTheStartSaidWhy) {
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("경고|")));
    EXPECT_FALSE(window->formatAvailable());
    EXPECT_FALSE(window->button(kButtonFormat)->isEnabled());
    window->formatSdCard();
    EXPECT_TRUE(formatRequests.empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- Opening, display options, map, web site

TEST_F(WindowCommands, OpenButtonsPauseTheRecordingBeforeTheirDialogs) {
    std::vector<int> states;
    list()->setFolderChooser([&](QWidget*) {
        states.push_back(playbackState.uiState.load());
        return QString();
    });
    list()->setFilesChooser([&](QWidget*) {
        states.push_back(playbackState.uiState.load());
        return QStringList();
    });
    loadPlayingRecording(QStringLiteral("/x/drf0_20120101_120000.mp4"), FrontAndRear);
    window->button(kButtonOpenFolder)->click();
    playbackState.uiState = Playing;
    window->button(kButtonOpenFiles)->click();
    EXPECT_EQ(states, (std::vector<int>{Paused, Paused}));
    EXPECT_EQ(log->take(), (Calls{"pauseOutput", "pauseOutput"}));
}

TEST_F(WindowCommands, SpeedUnitAndHeadingStyleButtonsRedrawTheirPanes) {
    auto* speed = dynamic_cast<OstrelShowSpeed*>(window->pane(PaneId::ShowSpeed));
    auto* heading = dynamic_cast<OstrelShowDIrection*>(window->pane(PaneId::ShowDirection));
    ASSERT_TRUE(speed && heading);
    const QImage kmh = speed->grab().toImage(), arrow = heading->grab().toImage();
    window->button(kButtonSpeedUnit)->click();
    window->button(kButtonHeadingStyle)->click();
    EXPECT_TRUE(speed->useMph());
    EXPECT_FALSE(heading->arrowStyle());
    EXPECT_NE(speed->grab().toImage(), kmh);
    EXPECT_NE(heading->grab().toImage(), arrow);
    window->button(kButtonSpeedUnit)->click();
    window->button(kButtonHeadingStyle)->click();
    EXPECT_FALSE(speed->useMph());
    EXPECT_TRUE(heading->arrowStyle());
}

#ifdef MOKSEL_HAVE_MAP_PANE
// The page view needs its event loop: bounded waits.
bool waitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 60000);
}

TEST_F(WindowCommands, TheMapCoversTheListAndFollowsPositionsWhileShown) {
    auto* map = dynamic_cast<OstrelPopupMap*>(window->pane(PaneId::Map));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->view(), nullptr) << "no page view before the map is first shown";
    auto coords = [&] {
        QString text;
        bool answered = false;
        map->view()->page()->runJavaScript(QStringLiteral("document.getElementById('coords').innerText"),
                                           [&](const QVariant& value) {
                                               text = value.toString();
                                               answered = true;
                                           });
        waitFor([&] { return answered; });
        return text;
    };
    const double latitude = 37.566535, longitude = 126.977969;
    const double elsewhere = 35.1796;

    window->button(kButtonMap)->click();
    EXPECT_TRUE(map->isVisible());
    ASSERT_NE(map->view(), nullptr);
    ASSERT_TRUE(waitFor([&] { return map->pageLoaded(); }));
    EXPECT_TRUE(map->view()->url().toLocalFile().endsWith(QStringLiteral("/Maps.HTML")));
    EXPECT_TRUE(map->isAncestorOf(window->childAt(700, 500)) || window->childAt(700, 500) == map)
        << "the map lies over the list";
    window->post(UM_MAP_POSITION, reinterpret_cast<WParam>(&latitude), reinterpret_cast<LParam>(&longitude));
    EXPECT_TRUE(waitFor([&] { return coords() == QStringLiteral("37.566535, 126.977969"); }));

    window->button(kButtonFileList)->click();
    EXPECT_FALSE(map->isVisible());
    EXPECT_TRUE(list()->isVisible());
    window->post(UM_MAP_POSITION, reinterpret_cast<WParam>(&elsewhere), reinterpret_cast<LParam>(&longitude));
    QCoreApplication::processEvents();
    window->button(kButtonMap)->click();
    EXPECT_EQ(coords(), QStringLiteral("37.566535, 126.977969")) << "hidden: the position is not kept";
    // A closed recording takes the marker with it, even while the map is hidden.
    window->button(kButtonFileList)->click();
    window->post(UM_TELEMETRY_CLEARED, 0, 0);
    QCoreApplication::processEvents();
    window->button(kButtonMap)->click();
    EXPECT_TRUE(waitFor([&] { return coords() == QStringLiteral("GPS 위치 정보 없음"); }));
    window->button(kButtonFileList)->click();
}
#endif

}  // namespace
}  // namespace moksel
