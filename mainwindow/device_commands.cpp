// The main window's device, save and format commands: the camera's SD card found when it is
// plugged in, the current recording pair copied to a folder of the user's choice, the
// configuration pop-up and the SD card format.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>
#include <set>

#include "device/ostrel_sd_card_format.h"
#include "dialogs/message_boxes.h"
#include "dialogs/message_texts.h"
#include "engine/playback_state.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#include "mainwindow/recording_copy.h"
#include "platform/mount_watcher.h"
#include "recording/recording_name.h"

namespace fs = std::filesystem;

namespace moksel {
namespace {

// The volume label of the camera's SD card (the SD card format writes it).
constexpr std::string_view kCardLabel = "MOKSEL";

}  // namespace

QString chooseFolderToSave(QWidget* owner) {
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("영상을 저장할 폴더를 선택하세요"),
                                             QString(), QFileDialog::ShowDirsOnly);
}

void showPlainWarning(const QString& caption, const QString& text) {
    QMessageBox::warning(nullptr, caption, text, QMessageBox::Ok);
}

void COstrelDlg::setDeviceServices(DeviceServices services) { devices_ = std::move(services); }

void COstrelDlg::checkFormatFacility() {
    // The SD card format needs mkfs.fat; without it the format button stays disabled.
    formatAvailable_ = devices_.formatAvailable && devices_.formatAvailable();
    if (!formatAvailable_ && devices_.warn) {
        devices_.warn(QStringLiteral("경고"),
                      QStringLiteral("mkfs.fat 파일을 찾을 수 없습니다. SD CARD 포맷 기능을 사용할 수 없습니다"));
    }
}

// ---- The SD card's arrival

void COstrelDlg::watchForCards() {
    mountWatcher_ = new MountWatcher(devices_.drives, this);
    if (!mountWatcher_->watching()) {
        std::fputs("moksel-viewer: the mount table cannot be watched; a camera card plugged in now "
                   "is not listed by itself (open its folder instead).\n",
                   stderr);
    }
    QObject::connect(mountWatcher_, &MountWatcher::volumesArrived, this,
                     [this](const QStringList& roots) { cardSearch(roots); });
}

void COstrelDlg::cardSearch(const QStringList& arrivedRoots) {
    // Only a volume that has just arrived is a card the user plugged in: a card that was
    // already there does not replace the list when some other drive arrives.
    std::set<std::string> arrived;
    for (const QString& root : arrivedRoots) arrived.insert(root.toStdString());
    if (!devices_.drives) return;
    for (const Volume& volume : devices_.drives->volumes()) {  // mount point order
        const std::string root = volumeRoot(volume);
        if (volume.label != kCardLabel || !arrived.contains(root)) continue;
        sdCardRoot_ = QString::fromStdString(root);
        postToPane(PaneId::FileList, UM_SCAN_DRIVE, reinterpret_cast<WParam>(&sdCardRoot_));
        return;
    }
}

// ---- Saving the recording pair

void COstrelDlg::saveRecordingPair() {
    if (currentPath_.empty()) {
        showMessage(kMsgSaveNeedsRecording);
        return;
    }
    pauseStep();
    const QString chosen = devices_.chooseSaveFolder ? devices_.chooseSaveFolder(this) : QString();
    if (chosen.isEmpty()) return;  // cancelled: nothing copied, nothing said
    const fs::path folder(QFile::encodeName(chosen).toStdString());

    // Each file keeps its own name; the rear file's is the front file's with the camera digit 1.
    const std::string frontName = fs::path(currentPath_).filename().string();
    saveRecordingFile(currentPath_, folder / frontName, kMsgFrontFileSaved, kMsgFrontFileSaveFailed);
    if (playbackState.openState.load() != FrontAndRear) return;
    const std::string rearName = rearPathForSave(frontName);
    if (rearName == frontName) return;  // the front file played as its own rear: saved already
    saveRecordingFile(rearPathForFront(currentPath_), folder / rearName, kMsgRearFileSaved,
                      kMsgRearFileSaveFailed);
}

void COstrelDlg::saveRecordingFile(const fs::path& source, const fs::path& destination, int savedCode,
                                   int failedCode) {
    std::error_code error;
    if (fs::exists(destination, error)) {
        // Saving into the recording's own folder: the file is there already.
        if (fs::equivalent(source, destination, error)) {
            showMessage(savedCode);
            return;
        }
        if (ask(kAskOverwriteFile) != kBoxOk) return;  // declined: the next file is still offered
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool copied = copyRecordingFile(source, destination, error);
    QApplication::restoreOverrideCursor();
    if (!copied) {
        std::fprintf(stderr, "moksel-viewer: %s could not be saved as %s: %s\n", source.c_str(),
                     destination.c_str(), error.message().c_str());
        showMessage(failedCode);
        return;
    }
    showMessage(savedCode);
}

// ---- Configuration and format

void COstrelDlg::showConfiguration() {
    QWidget* config = pane(PaneId::ConfigPopup);
    if (config == nullptr) return;
    // Every showing searches the cards again; a pop-up already shown comes to the front.
    config->show();
    config->raise();
    config->activateWindow();
}

void COstrelDlg::closeRecordingOn(const std::string& root) {
    if (currentPath_.empty() || root.empty() || !currentPath_.starts_with(root)) return;
    // The engine holds the recording's files open until it closes them, and a volume with open
    // files cannot be unmounted: stop and close, and wait (serving this thread's events, which
    // the engine's reports need) until the engine says nothing is open.
    playbackState.uiState = Stopped;
    pushEngine(CmdStop);
    pushEngine(CmdClose);
    QElapsedTimer waited;
    waited.start();
    while (engineRunning() && playbackState.openState.load() != NoRecording && waited.elapsed() < 10000) {
        serveEventsFor(5);
    }
    currentPath_.clear();
    currentName_.clear();
    repaintPane(PaneId::ShowFileName);
}

void COstrelDlg::formatSdCard() {
    if (!formatAvailable_) return;
    pauseStep();
    // The format closes a recording that plays from the card it erases, then formats.
    FormatFunction formatVolume = devices_.format;
    if (!formatVolume) {
        formatVolume = [drives = devices_.drives](const FormatRequest& request, const FormatEventHandler& onEvent) {
            return VolumeFormatter(drives).format(request, onEvent);
        };
    }
    FormatFunction closeThenFormat = [this, formatVolume](const FormatRequest& request,
                                                          const FormatEventHandler& onEvent) {
        closeRecordingOn(request.root);
        return formatVolume(request, onEvent);
    };
    OstrelSdCardFormat dialog(this, devices_.drives, closeThenFormat);
    dialog.setObjectName(QStringLiteral("OstrelSdCardFormat"));
    dialog.exec();
}

}  // namespace moksel
