// OstrelConfigPopup: the pop-up in which the user edits the camera's settings. It looks for the
// camera's configuration file on the removable drives, shows the nine settings as rows of round
// option markers on its skin, lets the user click other options and writes the file to the card
// with the apply button.
//
// The main window creates it hidden at start-up, with itself as parent, and shows it on its
// CONFIG command; it is modeless, so playback goes on behind it. Every showing starts from the
// defaults and searches the drives again: with a file found, its values are shown and the drive
// list is locked on its card; without one the defaults are shown and the user may pick a drive
// to write a new file to. The close button hides it. Nothing runs when it is hidden.
//
// Messages it sends its parent (numbers in platform/window_messages.h; codes in
// dialogs/message_texts.h):
//   UM_SHOW_MESSAGE posted  21  no configuration file found (or it could not be read); defaults
//   UM_SHOW_MESSAGE sent     9  apply without a drive
//                           17  the file could not be written (read-only card or file, card
//                               removed, card full)
//                           18  the file was written
//
// Thread contract: UI thread only.
#pragma once

#include <QPixmap>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>

#include "device/camera_config_file.h"
#include "platform/removable_drives.h"
#include "platform/skin_dialog.h"

class QComboBox;

namespace moksel {

class BitmapButton;

class OstrelConfigPopup : public SkinDialog {
public:
    static constexpr int kWidth = 447;
    static constexpr int kHeight = 698;
    // Where it sits, from the main window's top-left corner.
    static constexpr QPoint kOffset{289, 35};
    // The band that holds every marker; repainted after a change.
    static constexpr QRect kOptionsArea{0, 140, 447, 440};

    // One option marker: a 15 x 15 square that chooses `value` for one setting.
    struct Marker {
        QRect rect;
        std::int32_t DeviceSettings::*member;
        std::int32_t value;
    };
    static constexpr int kMarkerCount = 27;
    // The markers row by row, left to right: the order of the hit test.
    static const std::array<Marker, kMarkerCount>& markers();

    explicit OstrelConfigPopup(QWidget* mainWindow = nullptr,
                               std::shared_ptr<const DriveSystem> drives = systemDrives());

    const DeviceSettings& settings() const { return settings_; }
    // Whether marker `index` shows as chosen.
    bool markerChosen(int index) const;

    QComboBox* driveList() const { return driveList_; }
    BitmapButton* resetButton() const { return reset_; }
    BitmapButton* applyButton() const { return apply_; }
    BitmapButton* closeButton() const { return close_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void runShowSequence();
    void resetSettings();
    void applySettings();
    void sendNotice(int code);
    void repaintOptions();
    int markerAt(QPoint point) const;

    std::shared_ptr<const DriveSystem> drives_;
    DeviceSettings settings_;
    QComboBox* driveList_ = nullptr;
    BitmapButton* reset_ = nullptr;
    BitmapButton* apply_ = nullptr;
    BitmapButton* close_ = nullptr;
    QPixmap background_;  // 278
    QPixmap chosen_;      // 276
    QPixmap notChosen_;   // 277
};

}  // namespace moksel
