#include "engine/views/video_view.h"

#include <QFileDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cstdlib>

#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "dialogs/message_texts.h"
#include "engine/views/jpeg_capture.h"
#include "platform/window_messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

// Skin bitmaps of the views.
constexpr int kFrontIdleBitmap = 149;  // 487 x 311, no front picture
constexpr int kRearIdleBitmap = 232;   // 487 x 311, no rear picture
constexpr int kSurfaceBitmap = 150;    // 700 x 391, the surface a picture is composed on

QString chooseWithDialog(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title, QString(), QStringLiteral("JPEG Files(*.jpg)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    // Asking before an existing file is overwritten is the dialog's default in save mode.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

VideoView::SaveNameChooser& saveNameChooser() {
    static VideoView::SaveNameChooser chooser = chooseWithDialog;
    return chooser;
}

PictureSize sizeOf(int camera, int sizeIndex) {
    return pictureSizes[camera][sizeIndex == kLargeSizeIndex ? kLargeSizeIndex : kViewSizeIndex];
}

// What a view without a picture says below its camera's name, by what is loaded: nothing, a
// stopped recording (Play starts it from its beginning), or a recording without a rear video.
struct IdleCaption {
    QString state;
    QString hint;
};

IdleCaption idleCaption(int camera) {
    const int open = playbackState.openState.load();
    if (open == NoRecording) {
        return {QStringLiteral("NO RECORDING"), QStringLiteral("재생할 영상을 선택하세요")};
    }
    if (camera == kRearCamera && open != FrontAndRear) {
        return {QStringLiteral("NO REAR VIDEO"), QStringLiteral("후방 영상이 없는 녹화입니다")};
    }
    return {QStringLiteral("STOPPED"), QStringLiteral("재생 버튼을 누르면 처음부터 재생합니다")};
}

void paintIdleCaption(QPainter& painter, int camera) {
    const IdleCaption caption = idleCaption(camera);
    QFont state(QStringLiteral("Liberation Sans"));
    state.setPixelSize(12);
    state.setBold(true);
    state.setLetterSpacing(QFont::AbsoluteSpacing, 3.0);
    painter.setFont(state);
    painter.setPen(QColor(140, 144, 150));
    painter.drawText(QRectF(0, 178, VideoView::kWidth, 18), Qt::AlignCenter, caption.state);
    QFont hint(QStringLiteral("NanumGothic"));
    hint.setPixelSize(12);
    hint.setBold(true);
    painter.setFont(hint);
    painter.setPen(QColor(86, 88, 92));
    painter.drawText(QRectF(0, 200, VideoView::kWidth, 18), Qt::AlignCenter, caption.hint);
}

int clampToLimit(int value, int limit) {
    if (value > limit) return limit;
    if (value < -limit) return -limit;
    return value;
}

}  // namespace

VideoView::VideoView(int camera, QWidget* parent)
    : Window<QWidget>(parent),
      camera_(camera),
      idleBitmap_(skinBitmap(camera == kFrontCamera ? kFrontIdleBitmap : kRearIdleBitmap)) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pan also follows a move with only a modifier key held, so moves arrive without a button.
    setMouseTracking(true);
}

void VideoView::setSaveNameChooser(SaveNameChooser chooser) {
    saveNameChooser() = chooser ? std::move(chooser) : SaveNameChooser(chooseWithDialog);
}

int VideoView::panLimitX(int pictureWidth) { return pictureWidth > kWidth ? (pictureWidth - kWidth) / 2 : 0; }
int VideoView::panLimitY(int pictureHeight) {
    return pictureHeight > kHeight ? (pictureHeight - kHeight) / 2 : 0;
}

const MessageMap<VideoView>& VideoView::messageMap() {
    static const MessageMap<VideoView> map = {
        {UM_ZOOM_STEP, &VideoView::onZoomStep},
        {UM_RESET_PAN, &VideoView::onResetPan},
        {UM_CAPTURE, &VideoView::onCapture},
    };
    return map;
}

LResult VideoView::handleMessage(unsigned number, WParam wParam, LParam lParam) {
    return messageMap().dispatch(*this, number, wParam, lParam);
}

LResult VideoView::sendToParent(unsigned number, WParam wParam, LParam lParam) {
    if (auto* target = dynamic_cast<MessageTarget*>(parentWidget())) {
        return target->send(number, wParam, lParam);
    }
    return 0;
}

void VideoView::postToParent(unsigned number, WParam wParam, LParam lParam) {
    if (auto* target = dynamic_cast<MessageTarget*>(parentWidget())) target->post(number, wParam, lParam);
}

void VideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The decoders convert into the picture under this lock; holding it for the paint keeps a
    // half-written picture off the screen.
    auto guard = lockCameraPictures(camera_);
    const uint8_t* pixels = currentPicture(camera_).load();
    if (pixels == nullptr) {
        guard.unlock();
        if (idleBitmap_.isNull()) {
            painter.fillRect(rect(), QColor(20, 20, 20));
        } else {
            painter.drawPixmap(0, 0, idleBitmap_);
        }
        paintIdleCaption(painter, camera_);
        return;
    }
    const PictureSize size = pictureSizeOf(camera_, pixels);
    const QImage picture = wrapBgraPicture(pixels, size.width, size.height);

    // The surface shows around a picture smaller than the view.
    const QPixmap& surface = skinBitmap(kSurfaceBitmap);
    if (size.width < kWidth || size.height < kHeight) {
        if (surface.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else {
            painter.drawPixmap(QPoint(0, 0), surface, QRect(0, 0, kWidth, kHeight));
        }
    }
    if (size.width > kWidth) {
        const QRect source((size.width - kWidth) / 2 - panX_, (size.height - kHeight) / 2 - panY_,
                           kWidth, kHeight);
        painter.drawImage(QPoint(0, 0), picture, source);
    } else {
        painter.drawImage(QPoint((kWidth - size.width) / 2, (kHeight - size.height) / 2), picture);
    }
}

void VideoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && sizeIndexOf(camera_).load() == kLargeSizeIndex) {
        const QPoint point = event->position().toPoint();
        dragAnchorX_ = point.x();
        dragAnchorY_ = point.y();
    }
    event->accept();
}

void VideoView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (sizeIndexOf(camera_).load() != kLargeSizeIndex) return;
    if (event->buttons() == Qt::NoButton && event->modifiers() == Qt::NoModifier) return;
    const QPoint point = event->position().toPoint();
    const PictureSize size = sizeOf(camera_, kLargeSizeIndex);
    panX_ += point.x() - dragAnchorX_;
    panY_ += point.y() - dragAnchorY_;
    clampPan(size.width, size.height);
    dragAnchorX_ = point.x();
    dragAnchorY_ = point.y();
    // While playing the next frame repaints.
    if (playbackState.uiState.load() != Playing) repaint();
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    if (currentPicture(camera_).load() == nullptr) return;
    postToParent(UM_ENLARGE, camera_ == kFrontCamera ? 0 : 1);
}

void VideoView::wheelEvent(QWheelEvent* event) {
    // The main window zooms: let the wheel go on to it.
    event->ignore();
}

void VideoView::clampPan(int pictureWidth, int pictureHeight) {
    panX_ = clampToLimit(panX_, panLimitX(pictureWidth));
    panY_ = clampToLimit(panY_, panLimitY(pictureHeight));
}

LResult VideoView::onZoomStep(WParam towardsViewSize, LParam) {
    const int before = sizeIndexOf(camera_).load() == kLargeSizeIndex ? kLargeSizeIndex : kViewSizeIndex;
    int after;
    if (towardsViewSize == 1) {
        if (before > kLargeSizeIndex) return 0;
        after = before + 1;
    } else {
        if (before < kViewSizeIndex) return 0;
        after = before - 1;
    }
    if (after == kViewSizeIndex) {
        panX_ = panY_ = 0;
        return 0;
    }
    const PictureSize oldSize = sizeOf(camera_, before);
    const PictureSize newSize = sizeOf(camera_, after);
    panX_ = static_cast<int>(newSize.width * (static_cast<double>(panX_) / oldSize.width));
    panY_ = static_cast<int>(newSize.height * (static_cast<double>(panY_) / oldSize.height));
    clampPan(newSize.width, newSize.height);
    return 0;
}

LResult VideoView::onResetPan(WParam, LParam) {
    panX_ = panY_ = 0;
    // Sent after a recording was closed: the idle caption changes with it.
    update();
    return 0;
}

LResult VideoView::onCapture(WParam, LParam) {
    if (largePicture(camera_).load() == nullptr) {
        reportNoPicture();
        return 0;
    }
    const QString path = saveNameChooser()(this, captureTitle());
    if (!path.isEmpty()) {
        QImage copy;
        {
            auto guard = lockCameraPictures(camera_);
            if (const uint8_t* pixels = largePicture(camera_).load()) {
                const PictureSize size = pictureSizeOf(camera_, pixels);
                copy = wrapBgraPicture(pixels, size.width, size.height).copy();
            }
        }
        // A picture that vanished while the dialog was open, or a file that could not be
        // written, is reported as such: never a success box for a file that is not there.
        const bool saved = saveJpeg(copy, path);
        sendToParent(UM_SHOW_MESSAGE, static_cast<WParam>(saved ? savedCode() : saveFailedCode()));
    }
    afterCapture();
    return 0;
}

OstrelMainView::OstrelMainView(QWidget* parent) : VideoView(kFrontCamera, parent) {}

QString OstrelMainView::captureTitle() const { return QStringLiteral("전방 영상 화면 캡쳐"); }

void OstrelMainView::reportNoPicture() { sendToParent(UM_SHOW_MESSAGE, kMsgCaptureNotPlaying); }

void OstrelMainView::afterCapture() { sendToParent(UM_CAPTURE_REAR); }

int OstrelMainView::savedCode() const { return kMsgFrontCaptureSaved; }
int OstrelMainView::saveFailedCode() const { return kMsgFrontCaptureFailed; }

OstrelRearView::OstrelRearView(QWidget* parent) : VideoView(kRearCamera, parent) {}

QString OstrelRearView::captureTitle() const { return QStringLiteral("후방 영상 화면 캡쳐"); }

int OstrelRearView::savedCode() const { return kMsgRearCaptureSaved; }
int OstrelRearView::saveFailedCode() const { return kMsgRearCaptureFailed; }

}  // namespace moksel
