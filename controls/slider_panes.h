// The slider panes: small child panes of the main window (and of the enlarged window's control
// bar) that each own one GrpScrl slider and turn its scroll notifications into the main
// window's messages. They draw nothing themselves; the slider covers them.
//
//   OstrelMovieSeek         position bar, 373 x 16, range 0..0 until a recording opens -> UM_SEEK
//   OstrelMovieSeekHidden   the enlarged window's position bar, its range from the stored
//                           minimum and maximum -> UM_SEEK to the main window three levels up
//   OstrelPlaySpeedCtrl     109 x 8, speed steps 0..4, starts at 2 (1.0 x) -> UM_SET_SPEED
//   OstrelSoundVolumeCtrl   109 x 8, 0..128, starts at 64 -> UM_SET_VOLUME
//   OstrelBrightnessCtrl    109 x 8, 0..100, starts at 50 -> UM_SET_BRIGHTNESS
//   OstrelContrastCtrl      109 x 8, 0..100, starts at 50 -> UM_SET_CONTRAST
//
// The starting positions equal the engine's starting values, so slider and engine agree
// without a message. Every pane swallows Enter and Escape.
//
// The main window sets the position bars' range, mark and position by sending GSM_ messages
// straight to slider().
//
// Thread contract: UI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/grp_scrl.h"
#include "platform/window.h"

class QKeyEvent;

namespace moksel {

class SliderPane : public Window<QWidget> {
public:
    ~SliderPane() override;

    // The pane's slider (the pane's one child; it lives as long as the pane).
    GrpScrl* slider() const { return slider_; }

protected:
    SliderPane(QWidget* parent, QSize sliderSize);

    // Writes this pane into its parent table slot, then creates its slider (control id 2,
    // horizontal, at (0, 0)) and gives it the range.
    void createSlider(int slot, int minimum, int maximum);

    // Where the pane's messages go: its parent unless a pane says otherwise.
    virtual MessageTarget* mainWindow() const;
    LResult sendToMainWindow(unsigned number, WParam w, LParam l);
    LResult sendToSlider(unsigned number, WParam w = 0, LParam l = 0);

    void keyPressEvent(QKeyEvent* event) override;

private:
    QSize sliderSize_;
    GrpScrl* slider_ = nullptr;
};

// What both position bars share: seeks only while a recording gives the slider a range,
// forwarded drag notices, and the position and fraction queries.
class PositionPane : public SliderPane {
protected:
    PositionPane(QWidget* parent) : SliderPane(parent, QSize(373, 16)) {}
    LResult handleMessage(unsigned number, WParam w, LParam l) override;

private:
    static const MessageMap<PositionPane>& messageMap();
    LResult onScroll(WParam w, LParam l);
    LResult onSeekDrag(WParam w, LParam l);
    LResult onSeekDragEnd(WParam w, LParam l);
    LResult onGetPosition(WParam w, LParam l);
    LResult onPixelToFraction(WParam w, LParam l);
};

class OstrelMovieSeek : public PositionPane {
public:
    explicit OstrelMovieSeek(QWidget* parent);
};

class OstrelMovieSeekHidden : public PositionPane {
public:
    // The pane lives in the enlarged window's control bar; its main window is the bar's
    // parent's parent. The slider starts with the stored range.
    OstrelMovieSeekHidden(QWidget* controlBar, int storedMinimum, int storedMaximum);

    int storedMinimum() const { return storedMinimum_; }
    int storedMaximum() const { return storedMaximum_; }
    // Stores the range for the slider of the next opening; the open slider is left alone.
    void setStoredRange(int minimum, int maximum);

protected:
    MessageTarget* mainWindow() const override;

private:
    int storedMinimum_;
    int storedMaximum_;
    QPointer<QWidget> mainWindow_;
};

// A setting slider: sends `notice` with the position on every scroll notification.
class SettingPane : public SliderPane {
protected:
    SettingPane(QWidget* parent, int slot, int maximum, int start, unsigned notice);
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    // Moves the thumb without any notice coming back (resets of brightness and contrast).
    LResult setPositionQuietly(WParam w, LParam l);

private:
    unsigned notice_;
};

class OstrelPlaySpeedCtrl : public SettingPane {
public:
    explicit OstrelPlaySpeedCtrl(QWidget* parent);
};

class OstrelSoundVolumeCtrl : public SettingPane {
public:
    explicit OstrelSoundVolumeCtrl(QWidget* parent);
};

class OstrelBrightnessCtrl : public SettingPane {
public:
    explicit OstrelBrightnessCtrl(QWidget* parent);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
};

class OstrelContrastCtrl : public SettingPane {
public:
    explicit OstrelContrastCtrl(QWidget* parent);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
};

}  // namespace moksel
