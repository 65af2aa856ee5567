// OstrelSdCardFormat: the modal dialog that erases a removable drive, meant for the camera's SD
// card, by a quick FAT32 format with 16384-byte clusters and the volume label "MOKSEL", the
// label by which the viewer recognises the camera's card.
//
// The main window's FORMAT command runs its pause step, then creates the dialog with itself as
// parent and runs it with exec(). The start button asks the user to confirm, formats the chosen
// drive (blocking the window until the format has ended, with the wait cursor shown), tells the
// main window which drive was formatted and closes the dialog with Accepted; the close button
// closes it with Rejected without formatting.
//
// Messages it sends its parent (numbers in platform/window_messages.h; codes in
// dialogs/message_texts.h):
//   UM_SHOW_MESSAGE  5   start without a drive chosen
//                    23  the card is write-protected (during the format)
//                    3   the format succeeded        4  the format failed
//   UM_ASK           0   "all data will be erased, go on?"; the answer 1 goes on
//   UM_DRIVE_FORMATTED   w = const QString* of the formatted drive's root (mount point with a
//                        trailing "/"), after every format, successful or not
//
// Thread contract: UI thread only.
#pragma once

#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>

#include "platform/removable_drives.h"
#include "platform/skin_dialog.h"
#include "platform/volume_format.h"

class QComboBox;

namespace moksel {

class BitmapButton;

// Formats the volume at request.root, reporting to the handler; returns when it has ended.
using FormatFunction =
    std::function<bool(const FormatRequest& request, const FormatEventHandler& onEvent)>;

class OstrelSdCardFormat : public SkinDialog {
public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 383;
    // Where it sits, from the main window's top-left corner.
    static constexpr QPoint kOffset{362, 193};

    // `format` defaults to the system's format facility (VolumeFormatter over `drives`).
    explicit OstrelSdCardFormat(QWidget* mainWindow = nullptr,
                                std::shared_ptr<const DriveSystem> drives = systemDrives(),
                                FormatFunction format = {});

    // What is asked of the format facility for the drive with this root.
    static FormatRequest formatRequest(const std::string& root);

    // The format's events: 7 write-protected (notice 23), 11 the end (argument const bool*:
    // notice 3 on success, 4 otherwise); the others are ignored. Always answers true.
    bool OnFormatEvent(int code, int subCode, const void* argument);

    // The root of the drive formatted last (empty before the first format).
    const QString& formatRoot() const { return formatRoot_; }

    QComboBox* driveList() const { return driveList_; }
    BitmapButton* startButton() const { return start_; }
    BitmapButton* closeButton() const { return close_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void startFormat();
    LResult tellMainWindow(unsigned message, WParam w, LParam l = 0);

    std::shared_ptr<const DriveSystem> drives_;
    FormatFunction format_;
    QString formatRoot_;
    QString formatReport_;  // what the format tool said last about a failure
    bool waitCursor_ = false;
    QComboBox* driveList_ = nullptr;
    BitmapButton* start_ = nullptr;
    BitmapButton* close_ = nullptr;
    QPixmap background_;  // 262
};

}  // namespace moksel
