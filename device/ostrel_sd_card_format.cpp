#include "device/ostrel_sd_card_format.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QShowEvent>
#include <cstdio>

#include "device/dialog_controls.h"
#include "dialogs/message_texts.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kBackground = 262;
constexpr int kStartId = 1;  // the dialog's OK
constexpr int kCloseId = 2;  // the dialog's cancel
constexpr int kAnswerGoOn = 1;

}  // namespace

OstrelSdCardFormat::OstrelSdCardFormat(QWidget* mainWindow,
                                       std::shared_ptr<const DriveSystem> drives,
                                       FormatFunction format)
    : SkinDialog(mainWindow), drives_(std::move(drives)), format_(std::move(format)) {
    if (!format_) {
        format_ = [drives = drives_](const FormatRequest& request,
                                     const FormatEventHandler& onEvent) {
            return VolumeFormatter(drives).format(request, onEvent);
        };
    }
    setModal(true);
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = skinBitmap(kBackground);
    driveList_ = createDriveListBox(this, QRect(41, 90, 219, 20));
    start_ = addDialogButton(this, kStartId, QRect(53, 342, 78, 28), 264, 263);
    close_ = addDialogButton(this, kCloseId, QRect(169, 342, 78, 28), 260, 259);
    connect(start_, &QAbstractButton::clicked, this, [this] { startFormat(); });
    connect(close_, &QAbstractButton::clicked, this, [this] { done(QDialog::Rejected); });
}

FormatRequest OstrelSdCardFormat::formatRequest(const std::string& root) {
    FormatRequest request;
    request.root = root;
    request.mediaType = 11;
    request.fileSystem = "FAT32";
    request.label = "MOKSEL";
    request.quick = true;
    request.clusterBytes = 16384;
    return request;
}

void OstrelSdCardFormat::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    if (event->spontaneous()) return;
    resize(kWidth, kHeight);
    placeAtOffset(parentWidget(), kOffset);
    fillDriveList(driveList_, drives_ ? drives_->removableVolumes() : std::vector<Volume>{});
}

void OstrelSdCardFormat::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(QRect(0, 0, kWidth, kHeight), background_);
    }
}

LResult OstrelSdCardFormat::tellMainWindow(unsigned message, WParam w, LParam l) {
    auto* owner = dynamic_cast<MessageTarget*>(parentWidget());
    if (owner == nullptr) return 0;
    // The boxes the main window runs are not for waiting on.
    if (waitCursor_) QApplication::restoreOverrideCursor();
    const LResult result = owner->send(message, w, l);
    if (waitCursor_) QApplication::setOverrideCursor(Qt::WaitCursor);
    return result;
}

void OstrelSdCardFormat::startFormat() {
    const std::string root = driveList_->currentIndex() < 0
                                 ? std::string()
                                 : DriveRootFromEntry(driveList_->currentText().toStdString());
    if (root.empty()) {
        tellMainWindow(UM_SHOW_MESSAGE, kMsgFormatChooseDrive);
        return;
    }
    if (tellMainWindow(UM_ASK, kAskEraseDrive) != kAnswerGoOn) return;

    formatRoot_ = QString::fromStdString(root);
    formatReport_.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor_ = true;
    format_(formatRequest(root), [this](int code, int subCode, const void* argument) {
        return OnFormatEvent(code, subCode, argument);
    });
    waitCursor_ = false;
    QApplication::restoreOverrideCursor();

    tellMainWindow(UM_DRIVE_FORMATTED, reinterpret_cast<WParam>(&formatRoot_));
    done(QDialog::Accepted);
}

bool OstrelSdCardFormat::OnFormatEvent(int code, int, const void* argument) {
    if (code == kFormatWriteProtected) {
        tellMainWindow(UM_SHOW_MESSAGE, kMsgCardWriteProtected);
    } else if (code == kFormatOutput && argument != nullptr) {
        // What the format tool or the disk service said last tells why a format failed;
        // mkfs.fat's banner ("mkfs.fat 4.2 (2021-01-31)") says nothing.
        const QString line = QString::fromLocal8Bit(static_cast<const char*>(argument)).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1String("mkfs.fat "))) formatReport_ = line;
    } else if (code == kFormatDone) {
        const bool success = argument != nullptr && *static_cast<const bool*>(argument);
        if (!success && !formatReport_.isEmpty()) {
            std::fprintf(stderr, "SD card format: %s\n", formatReport_.toLocal8Bit().constData());
        }
        tellMainWindow(UM_SHOW_MESSAGE, success ? kMsgFormatDone : kMsgFormatFailed,
                       success || formatReport_.isEmpty() ? 0 : reinterpret_cast<LParam>(&formatReport_));
    }
    return true;
}

}  // namespace moksel
