#include "mainwindow/enlarged_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "engine/picture_lock.h"
#include "engine/views/jpeg_capture.h"
#include "mainwindow/messages.h"
#include "platform/fonts.h"
#include "platform/skin_dialog.h"

namespace moksel {

OstrelMovieEntire::OstrelMovieEntire(QWidget* mainWindow, NameSource recordingName)
    : Window<QDialog>(mainWindow),
      nameFont_(skinFont(QStringLiteral("Arial"), 25, 900)),
      recordingName_(std::move(recordingName)) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // the bar follows the pointer without a button held
    bar_ = new OstrelHiddenControl(this);
    bar_->setObjectName(QStringLiteral("OstrelHiddenControl"));
    bar_->hide();
}

OstrelMovieEntire::~OstrelMovieEntire() {
    playbackState.enlargedVisible = 0;
    if (playbackState.enlargedWindow.load() == this) playbackState.enlargedWindow = nullptr;
}

void OstrelMovieEntire::setCamera(int camera) {
    camera_ = camera == kRearCamera ? kRearCamera : kFrontCamera;
}

const MessageMap<OstrelMovieEntire>& OstrelMovieEntire::messageMap() {
    static const MessageMap<OstrelMovieEntire> map = {
        {UM_ENLARGED_FRAME, &OstrelMovieEntire::onEnlargedFrame},
        {UM_TIME, &OstrelMovieEntire::onTime},
        {UM_RECORDING_LENGTH, &OstrelMovieEntire::onRecordingLength},
        {UM_POSITION, &OstrelMovieEntire::onPosition},
    };
    return map;
}

LResult OstrelMovieEntire::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelMovieEntire::sendToMainWindow(unsigned number, WParam w, LParam l) {
    auto* target = dynamic_cast<MessageTarget*>(parentWidget());
    return target != nullptr ? target->send(number, w, l) : 0;
}

LResult OstrelMovieEntire::sendToSlider(unsigned number, WParam w, LParam l) {
    GrpScrl* slider = bar_->slider();
    return slider != nullptr ? slider->send(number, w, l) : 0;
}

LResult OstrelMovieEntire::onEnlargedFrame(WParam, LParam) {
    // A frame posted just before the window closed finds it hidden: nothing to paint.
    if (isVisible()) repaint();
    return 0;
}

LResult OstrelMovieEntire::onTime(WParam current, LParam total) {
    bar_->showTimes(static_cast<unsigned>(current), static_cast<unsigned>(total));
    return 0;
}

void OstrelMovieEntire::setRecordingLength(LResult mark, LResult duration) {
    bar_->positionPane()->setStoredRange(0, static_cast<int>(duration));
    sendToSlider(GSM_SETRANGE, 0, duration);
    sendToSlider(GSM_SETMARK, static_cast<WParam>(mark));
}

LResult OstrelMovieEntire::onRecordingLength(WParam mark, LParam duration) {
    setRecordingLength(static_cast<LResult>(mark), duration);
    return 0;
}

LResult OstrelMovieEntire::onPosition(WParam position, LParam) {
    sendToSlider(GSM_SETPOS, position);
    return 0;
}

void OstrelMovieEntire::fillScreen() {
    QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
    if (screen != nullptr) setGeometry(screen->availableGeometry());
}

void OstrelMovieEntire::showEvent(QShowEvent* event) {
    Window<QDialog>::showEvent(event);
    // The bar's position slider takes the open recording's range, mark and position.
    const LResult duration = sendToMainWindow(UM_GET_DURATION);
    setRecordingLength(sendToMainWindow(UM_GET_MARK), duration);
    const LResult position = sendToMainWindow(UM_GET_POSITION);
    sendToSlider(GSM_SETPOS, static_cast<WParam>(position));
    // While paused no time report comes: the bar's times start from the same position and
    // length (tenths of a second, shown as whole seconds).
    if (position >= 0 && duration >= 0) {
        bar_->showTimes(static_cast<unsigned>(position / 10), static_cast<unsigned>(duration / 10));
    }
    fillScreen();
    bar_->hide();
    playbackState.enlargedWindow = this;
    playbackState.enlargedVisible = 1;
}

void OstrelMovieEntire::hideEvent(QHideEvent* event) {
    playbackState.enlargedVisible = 0;
    bar_->hide();
    Window<QDialog>::hideEvent(event);
}

void OstrelMovieEntire::resizeEvent(QResizeEvent* event) {
    Window<QDialog>::resizeEvent(event);
    if (bar_->isVisible()) bar_->placeAlongBottom();
}

void OstrelMovieEntire::paintEvent(QPaintEvent*) {
    QImage picture;
    double aspect = 16.0 / 9.0;
    {
        // The decoder converts the next frame into the same buffer: copy it under the lock and
        // stretch the copy after.
        auto guard = lockCameraPictures(camera_);
        aspect = pictureAspect(camera_);
        if (const uint8_t* pixels = currentPicture(camera_).load()) {
            // The picture stays view-sized until the first large frame after opening, and a
            // seek while paused converts at the view's size: read it at the size it has.
            const PictureSize size = pictureSizeOf(camera_, pixels);
            picture = wrapBgraPicture(pixels, size.width, size.height).copy();
        }
    }
    QPainter painter(this);
    if (picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
    } else {
        // The picture keeps the recording's shape on any screen, with black bars beside it or
        // above and below.
        QSize fitted = QSize(qRound(height() * aspect), height());
        if (fitted.width() > width()) fitted = QSize(width(), qRound(width() / aspect));
        const QRect area(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        if (area != rect()) {
            painter.fillRect(rect(), Qt::black);
        }
        painter.drawImage(area, picture);
    }
    painter.setFont(nameFont_);
    painter.setPen(QColor(0, 255, 0));
    const QString name = recordingName_ ? recordingName_() : QString();
    painter.drawText(QRect(10, 10, width() - 10, height() - 10),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name);
}

void OstrelMovieEntire::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const int y = static_cast<int>(event->position().y());
    if (y >= height() - kBarTriggerHeight) {
        if (!bar_->isVisible()) {
            bar_->placeAlongBottom();
            bar_->show();
            bar_->raise();
        }
    } else if (bar_->isVisible()) {
        bar_->hide();
    }
}

void OstrelMovieEntire::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    closeByUser();
}

void OstrelMovieEntire::closeByUser() {
    // The main window stops the large pictures at once; then the modal run ends.
    sendToMainWindow(UM_ENLARGE_CLOSING);
    accept();
}

void OstrelMovieEntire::keyPressEvent(QKeyEvent* event) {
    // Enter never closes the window; Escape and F close it through the viewer's keys, which the
    // main window's key filter takes before this window sees them.
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QDialog>::keyPressEvent(event);
}

}  // namespace moksel
