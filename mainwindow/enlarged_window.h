// OstrelMovieEntire: the enlarged video window. A double click on a video view (while a
// recording plays or is paused) opens one camera's picture over the whole screen: the camera's
// large picture (1280 x 720) stretched to the window with the recording's file name over its
// top-left corner. Moving the pointer to the bottom edge shows the control bar
// (OstrelHiddenControl); a double click on the picture closes the window.
//
// The main window owns one such window for its whole life and runs it modally for each opening
// (the decoders may still hold its address while it closes, so it is never destroyed before
// the engine ends). While it shows, the decoders convert the chosen camera at the large size
// and post UM_ENLARGED_FRAME here.
//
// Messages handled:
//   UM_ENLARGED_FRAME                  repaint the picture at once
//   UM_TIME (seconds, length seconds)  the bar's time fields
//   UM_RECORDING_LENGTH (mark, length) the bar's position slider: range 0..length and the mark
//   UM_POSITION (position)             the bar's position slider
// Messages sent to the main window (its parent): UM_GET_DURATION, UM_GET_MARK and
// UM_GET_POSITION when it shows; UM_ENLARGE_CLOSING on the closing double click.
//
// Shared state: sets playbackState.enlargedWindow to itself and enlargedVisible while shown.
// The paint holds the camera's picture lock while it copies the picture.
//
// Thread contract: UI thread only; decoders reach it through post and repaintNow.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>

#include "engine/playback_state.h"
#include "mainwindow/enlarged_control_bar.h"
#include "platform/window.h"

namespace moksel {

class OstrelMovieEntire : public Window<QDialog> {
public:
    // The name of the recording now open, written over the picture.
    using NameSource = std::function<QString()>;

    OstrelMovieEntire(QWidget* mainWindow, NameSource recordingName);
    ~OstrelMovieEntire() override;

    // The camera shown: 0 front, 1 rear. Set by the opener before each opening.
    void setCamera(int camera);
    int camera() const { return camera_; }

    OstrelHiddenControl* controlBar() const { return bar_; }

    // Closes the window as the closing double click does (the F and Escape keys).
    void closeByUser();

    // The bottom strip in which the pointer shows the control bar.
    static constexpr int kBarTriggerHeight = 50;

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static const MessageMap<OstrelMovieEntire>& messageMap();
    LResult onEnlargedFrame(WParam, LParam);
    LResult onTime(WParam current, LParam total);
    LResult onRecordingLength(WParam mark, LParam duration);
    LResult onPosition(WParam position, LParam);

    LResult sendToMainWindow(unsigned number, WParam w = 0, LParam l = 0);
    LResult sendToSlider(unsigned number, WParam w = 0, LParam l = 0);
    // The bar's position slider: range 0..duration and the event mark (tenths of a second).
    void setRecordingLength(LResult mark, LResult duration);
    void fillScreen();

    QFont nameFont_;
    int camera_ = 0;
    OstrelHiddenControl* bar_ = nullptr;
    NameSource recordingName_;
};

}  // namespace moksel
