#include "controls/slider_panes.h"

#include <QKeyEvent>

#include "controls/slider_messages.h"
#include "platform/window_messages.h"
#include "platform/skin_dialog.h"

namespace moksel {

SliderPane::SliderPane(QWidget* parent, QSize sliderSize)
    : Window<QWidget>(parent), sliderSize_(sliderSize) {
    resize(sliderSize);
}

SliderPane::~SliderPane() { releaseSliderParentSlots(this); }

void SliderPane::createSlider(int slot, int minimum, int maximum) {
    setSliderParentSlot(slot, this);
    slider_ = new GrpScrl(this, QRect(QPoint(0, 0), sliderSize_), true, 2);
    sendToSlider(GSM_SETRANGE, static_cast<WParam>(static_cast<unsigned>(minimum)),
                 static_cast<LParam>(maximum));
}

MessageTarget* SliderPane::mainWindow() const {
    return dynamic_cast<MessageTarget*>(parentWidget());
}

LResult SliderPane::sendToMainWindow(unsigned number, WParam w, LParam l) {
    MessageTarget* target = mainWindow();
    return target != nullptr ? target->send(number, w, l) : 0;
}

LResult SliderPane::sendToSlider(unsigned number, WParam w, LParam l) {
    return slider_ != nullptr ? slider_->send(number, w, l) : 0;
}

void SliderPane::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(event);
}

// Position bars.

const MessageMap<PositionPane>& PositionPane::messageMap() {
    static const MessageMap<PositionPane> map = {
        {GSM_NOTIFY_HSCROLL, &PositionPane::onScroll},
        {UM_SEEK_DRAG, &PositionPane::onSeekDrag},
        {UM_SEEK_DRAG_END, &PositionPane::onSeekDragEnd},
        {UM_GET_POSITION, &PositionPane::onGetPosition},
        {UM_PIXEL_TO_FRACTION, &PositionPane::onPixelToFraction},
    };
    return map;
}

LResult PositionPane::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult PositionPane::onScroll(WParam w, LParam) {
    // Without a recording the range is 0..0 and the bar never seeks.
    if (sendToSlider(GSM_GETMAX) == 0) return 0;
    sendToMainWindow(UM_SEEK, static_cast<WParam>(scrollPosition(w)), 0);
    return 0;
}

LResult PositionPane::onSeekDrag(WParam w, LParam l) { return sendToMainWindow(UM_SEEK_DRAG, w, l); }

LResult PositionPane::onSeekDragEnd(WParam w, LParam l) {
    return sendToMainWindow(UM_SEEK_DRAG_END, w, l);
}

LResult PositionPane::onGetPosition(WParam, LParam) { return sendToSlider(GSM_GETPOS); }

LResult PositionPane::onPixelToFraction(WParam w, LParam) {
    const LResult position = sendToSlider(GSM_PIXELTOPOS, w);
    const LResult maximum = sendToSlider(GSM_GETMAX);
    if (maximum == 0) return 0;
    // Ten-thousandths of the recording, truncated toward zero.
    return static_cast<LResult>(static_cast<double>(position) / static_cast<double>(maximum) *
                                10000.0);
}

OstrelMovieSeek::OstrelMovieSeek(QWidget* parent) : PositionPane(parent) {
    createSlider(kPositionPaneSlot, 0, 0);
}

OstrelMovieSeekHidden::OstrelMovieSeekHidden(QWidget* controlBar, int storedMinimum,
                                             int storedMaximum)
    : PositionPane(controlBar), storedMinimum_(storedMinimum), storedMaximum_(storedMaximum) {
    // Control bar -> enlarged window -> main window.
    QWidget* enlarged = controlBar != nullptr ? controlBar->parentWidget() : nullptr;
    mainWindow_ = enlarged != nullptr ? enlarged->parentWidget() : nullptr;
    createSlider(kEnlargedPositionPaneSlot, storedMinimum_, storedMaximum_);
}

void OstrelMovieSeekHidden::setStoredRange(int minimum, int maximum) {
    storedMinimum_ = minimum;
    storedMaximum_ = maximum;
}

MessageTarget* OstrelMovieSeekHidden::mainWindow() const {
    return dynamic_cast<MessageTarget*>(mainWindow_.data());
}

// Setting sliders.

SettingPane::SettingPane(QWidget* parent, int slot, int maximum, int start, unsigned notice)
    : SliderPane(parent, QSize(109, 8)), notice_(notice) {
    createSlider(slot, 0, maximum);
    sendToSlider(GSM_SETPOS, static_cast<WParam>(start));
}

LResult SettingPane::handleMessage(unsigned number, WParam w, LParam) {
    if (number == GSM_NOTIFY_HSCROLL) sendToMainWindow(notice_, static_cast<WParam>(scrollPosition(w)), 0);
    return 0;
}

LResult SettingPane::setPositionQuietly(WParam w, LParam) {
    // A horizontal slider does not notify on GSM_SETPOS, so nothing comes back to the pane.
    return sendToSlider(GSM_SETPOS, w);
}

OstrelPlaySpeedCtrl::OstrelPlaySpeedCtrl(QWidget* parent)
    : SettingPane(parent, kSpeedPaneSlot, 4, 2, UM_SET_SPEED) {}

OstrelSoundVolumeCtrl::OstrelSoundVolumeCtrl(QWidget* parent)
    : SettingPane(parent, kVolumePaneSlot, 128, 64, UM_SET_VOLUME) {}

OstrelBrightnessCtrl::OstrelBrightnessCtrl(QWidget* parent)
    : SettingPane(parent, kBrightnessPaneSlot, 100, 50, UM_SET_BRIGHTNESS) {}

LResult OstrelBrightnessCtrl::handleMessage(unsigned number, WParam w, LParam l) {
    if (number == UM_SET_BRIGHTNESS) return setPositionQuietly(w, l);
    return SettingPane::handleMessage(number, w, l);
}

OstrelContrastCtrl::OstrelContrastCtrl(QWidget* parent)
    : SettingPane(parent, kContrastPaneSlot, 100, 50, UM_SET_CONTRAST) {}

LResult OstrelContrastCtrl::handleMessage(unsigned number, WParam w, LParam l) {
    if (number == UM_SET_CONTRAST) return setPositionQuietly(w, l);
    return SettingPane::handleMessage(number, w, l);
}

}  // namespace moksel
