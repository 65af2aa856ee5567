#include "device/ostrel_config_popup.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>

#include "device/dialog_controls.h"
#include "dialogs/message_texts.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kBackground = 278;
constexpr int kChosenMarker = 276;
constexpr int kOtherMarker = 277;
constexpr int kMarkerSize = 15;

constexpr int kResetId = 1033;
constexpr int kApplyId = 1021;
constexpr int kCloseId = 1022;

OstrelConfigPopup::Marker marker(int left, int top, std::int32_t DeviceSettings::*member,
                                 std::int32_t value) {
    return {QRect(left, top, kMarkerSize, kMarkerSize), member, value};
}

}  // namespace

const std::array<OstrelConfigPopup::Marker, OstrelConfigPopup::kMarkerCount>&
OstrelConfigPopup::markers() {
    using S = DeviceSettings;
    static const std::array<Marker, kMarkerCount> table = {
        marker(70, 167, &S::screen_save_time, 0),   // 사용중지
        marker(159, 167, &S::screen_save_time, 1),  // 1분
        marker(247, 167, &S::screen_save_time, 2),  // 3분
        marker(336, 167, &S::screen_save_time, 3),  // 5분
        marker(70, 230, &S::record_mute, 0),        // on
        marker(159, 230, &S::record_mute, 1),       // off
        marker(258, 230, &S::lang_mode, 1056),      // 한국어
        marker(346, 230, &S::lang_mode, 1024),      // 영어
        marker(70, 294, &S::voice_guide_mode, 3),   // 상
        marker(159, 294, &S::voice_guide_mode, 2),  // 중
        marker(247, 294, &S::voice_guide_mode, 1),  // 하
        marker(336, 294, &S::voice_guide_mode, 0),  // off
        marker(70, 357, &S::gsensor_level, 4),      // 약함
        marker(203, 357, &S::gsensor_level, 2),     // 보통
        marker(336, 357, &S::gsensor_level, 0),     // 민감
        marker(70, 420, &S::parking_mode, 1),       // on
        marker(159, 420, &S::parking_mode, 0),      // off
        marker(263, 420, &S::summer_time, 1),       // on
        marker(352, 420, &S::summer_time, 0),       // off
        marker(71, 484, &S::rec_quality, 0),        // 상
        marker(212, 484, &S::rec_quality, 1),       // 중
        marker(353, 484, &S::rec_quality, 2),       // 하
        marker(71, 546, &S::md_sensitivity, 0),     // 매우둔감
        marker(140, 546, &S::md_sensitivity, 1),    // 둔감
        marker(209, 546, &S::md_sensitivity, 2),    // 보통
        marker(278, 546, &S::md_sensitivity, 3),    // 민감
        marker(347, 546, &S::md_sensitivity, 4),    // 매우민감
    };
    return table;
}

OstrelConfigPopup::OstrelConfigPopup(QWidget* mainWindow, std::shared_ptr<const DriveSystem> drives)
    : SkinDialog(mainWindow), drives_(std::move(drives)) {
    setModal(false);
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = skinBitmap(kBackground);
    chosen_ = skinBitmap(kChosenMarker);
    notChosen_ = skinBitmap(kOtherMarker);

    driveList_ = createDriveListBox(this, QRect(127, 95, 193, 20));
    reset_ = addDialogButton(this, kResetId, QRect(127, 657, 78, 28), 286, 283);
    apply_ = addDialogButton(this, kApplyId, QRect(242, 657, 78, 28), 284, 285);
    close_ = addDialogButton(this, kCloseId, QRect(395, 16, 35, 34), 255, 256);
    connect(reset_, &QAbstractButton::clicked, this, [this] { resetSettings(); });
    connect(apply_, &QAbstractButton::clicked, this, [this] { applySettings(); });
    connect(close_, &QAbstractButton::clicked, this, [this] { hide(); });
}

bool OstrelConfigPopup::markerChosen(int index) const {
    if (index < 0 || index >= kMarkerCount) return false;
    const Marker& m = markers()[static_cast<std::size_t>(index)];
    return settings_.*m.member == m.value;
}

void OstrelConfigPopup::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    if (!event->spontaneous()) runShowSequence();
}

void OstrelConfigPopup::runShowSequence() {
    resize(kWidth, kHeight);
    placeAtOffset(parentWidget(), kOffset);
    driveList_->setEnabled(true);
    ResetDeviceSettings(settings_);

    // One look at the drives serves both the list and the search, so an entry's index is the
    // index the search reports.
    const std::vector<Volume> volumes =
        drives_ ? drives_->removableVolumes() : std::vector<Volume>{};
    fillDriveList(driveList_, volumes);
    std::vector<std::string> roots;
    for (const Volume& volume : volumes) roots.push_back(volumeRoot(volume));

    const SetupFileSearch search = FindSetupFile(roots, settings_);
    if (!search.found) {
        // Posted, so the box comes up over the dialog once it is on the screen.
        if (auto* owner = dynamic_cast<MessageTarget*>(parentWidget())) {
            owner->post(UM_SHOW_MESSAGE, kMsgConfigDefaultsLoaded, 0);
        }
    } else {
        // Settings are always written back to the card they came from.
        driveList_->setCurrentIndex(search.driveIndex);
        driveList_->setEnabled(false);
        if (!LoadDeviceSettings(search.path, settings_)) {
            if (auto* owner = dynamic_cast<MessageTarget*>(parentWidget())) {
                owner->post(UM_SHOW_MESSAGE, kMsgConfigDefaultsLoaded, 0);
            }
        }
    }
    // The window is being shown: its first paint draws the markers.
    update(kOptionsArea);
}

void OstrelConfigPopup::resetSettings() {
    ResetDeviceSettings(settings_);
    repaintOptions();
}

void OstrelConfigPopup::applySettings() {
    const int index = driveList_->currentIndex();
    const std::string root =
        index < 0 ? std::string() : DriveRootFromEntry(driveList_->currentText().toStdString());
    if (root.empty()) {
        sendNotice(kMsgConfigChooseDrive);
        return;
    }
    // A write that stopped short left the card's file as it was, which the user must hear of
    // as much as a file that could not be opened.
    const SaveResult result = SaveDeviceSettings(settings_, root);
    sendNotice(result == SaveResult::Written ? kMsgConfigSaved : kMsgConfigWriteFailed);
}

void OstrelConfigPopup::sendNotice(int code) {
    if (auto* owner = dynamic_cast<MessageTarget*>(parentWidget())) {
        owner->send(UM_SHOW_MESSAGE, static_cast<WParam>(code), 0);
    }
}

void OstrelConfigPopup::repaintOptions() {
    if (isVisible()) repaint(kOptionsArea);
}

int OstrelConfigPopup::markerAt(QPoint point) const {
    for (int i = 0; i < kMarkerCount; ++i) {
        if (markers()[static_cast<std::size_t>(i)].rect.contains(point)) return i;
    }
    return -1;
}

void OstrelConfigPopup::paintEvent(QPaintEvent*) {
    // Qt paints into the window's back buffer and shows it in one block.
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(QRect(0, 0, kWidth, kHeight), background_);
    }
    for (int i = 0; i < kMarkerCount; ++i) {
        const QPixmap& dot = markerChosen(i) ? chosen_ : notChosen_;
        if (!dot.isNull()) painter.drawPixmap(markers()[static_cast<std::size_t>(i)].rect, dot);
    }
}

void OstrelConfigPopup::mousePressEvent(QMouseEvent* event) {
    // A press on a marker waits for its release; anywhere else it drags the dialog.
    if (event->button() == Qt::LeftButton && markerAt(event->position().toPoint()) >= 0) {
        event->accept();
        return;
    }
    SkinDialog::mousePressEvent(event);
}

void OstrelConfigPopup::mouseReleaseEvent(QMouseEvent* event) {
    SkinDialog::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const int hit = markerAt(event->position().toPoint());
    if (hit < 0) return;
    const Marker& m = markers()[static_cast<std::size_t>(hit)];
    settings_.*m.member = m.value;
    repaintOptions();
}

}  // namespace moksel
