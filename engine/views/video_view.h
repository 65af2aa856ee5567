// The two video views: the front camera (OstrelMainView, at (18, 70) of the main window) and the
// rear camera (OstrelRearView, at (518, 70)), 487 x 311 each.
//
// A view decodes nothing: it paints the picture the playback record names for its camera
// (`frontPicture` / `rearPicture`) at the size of its camera's size index, when a decoder
// repaints it synchronously or when the window system asks. At the large size (1280 x 720) the
// view is a 487 x 311 window onto the picture that the user drags with the mouse. A double
// click asks the main window for the enlarged window; on request the view saves its camera's
// large picture as a JPEG file.
//
// Messages handled: UM_ZOOM_STEP (rescale the pan before the main window changes the size
// index), UM_RESET_PAN, UM_CAPTURE. Messages sent to the parent (the main window): UM_ENLARGE
// (posted), UM_SHOW_MESSAGE with the capture outcome, UM_CAPTURE_REAR (front view only).
//
// Thread contract: UI thread only (paints, mouse, messages). Decoders reach the view through
// repaintNow, which runs the paint on the UI thread; the paint holds the camera's picture lock.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QString>
#include <functional>

#include "platform/window.h"

namespace moksel {

class VideoView : public Window<QWidget> {
public:
    static constexpr int kWidth = 487;
    static constexpr int kHeight = 311;

    // Asks the user for the JPEG file name; an empty result means cancelled.
    using SaveNameChooser = std::function<QString(QWidget* parent, const QString& title)>;

    VideoView(int camera, QWidget* parent);

    int camera() const { return camera_; }
    // Horizontal shift of the visible window from the centre of a large picture, in pixels;
    // positive shows more of the left side. panY: positive shows more of the top.
    int panX() const { return panX_; }
    int panY() const { return panY_; }

    // Replaces the save-file dialog of the capture (tests, or a desktop portal).
    static void setSaveNameChooser(SaveNameChooser chooser);

    // The pan limits for a picture of w x h: (w - 487) / 2 and (h - 311) / 2, 0 at the view size.
    static int panLimitX(int pictureWidth);
    static int panLimitY(int pictureHeight);

protected:
    LResult handleMessage(unsigned number, WParam wParam, LParam lParam) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    // The camera's capture: the title of its save dialog, what to do without a picture, and
    // the message codes of the outcome.
    virtual QString captureTitle() const = 0;
    virtual void reportNoPicture() = 0;
    virtual void afterCapture() {}
    virtual int savedCode() const = 0;
    virtual int saveFailedCode() const = 0;

    // Sends a message to the parent window (the main window) when it takes messages.
    LResult sendToParent(unsigned number, WParam wParam = 0, LParam lParam = 0);
    void postToParent(unsigned number, WParam wParam = 0, LParam lParam = 0);

private:
    friend class MessageMap<VideoView>;
    static const MessageMap<VideoView>& messageMap();
    LResult onZoomStep(WParam towardsViewSize, LParam);
    LResult onResetPan(WParam, LParam);
    LResult onCapture(WParam, LParam);

    void clampPan(int pictureWidth, int pictureHeight);

    const int camera_;
    QPixmap idleBitmap_;
    int panX_ = 0;
    int panY_ = 0;
    int dragAnchorX_ = 0;
    int dragAnchorY_ = 0;
};

// The front camera's view.
class OstrelMainView : public VideoView {
public:
    explicit OstrelMainView(QWidget* parent = nullptr);

protected:
    QString captureTitle() const override;
    void reportNoPicture() override;
    void afterCapture() override;
    int savedCode() const override;
    int saveFailedCode() const override;
};

// The rear camera's view.
class OstrelRearView : public VideoView {
public:
    explicit OstrelRearView(QWidget* parent = nullptr);

protected:
    QString captureTitle() const override;
    void reportNoPicture() override {}
    int savedCode() const override;
    int saveFailedCode() const override;
};

}  // namespace moksel
