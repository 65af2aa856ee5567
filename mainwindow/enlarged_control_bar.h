// OstrelHiddenControl: the control bar of the enlarged video window. It lies along the window's
// bottom edge (the bottom 60 pixels, full width) and shows only while the pointer is near that
// edge. It carries the playback buttons, the position bar (OstrelMovieSeekHidden) and the two
// time displays (OstrelShowTime, OstrelShowTotalTime), and turns its buttons into the main
// window's commands:
//
//   1002 previous  -> UM_CMD_PREV_RECORDING      1006 play          -> UM_CMD_PLAY
//   1003 step back -> UM_CMD_STEP_BACK           1005 pause         -> UM_CMD_PAUSE
//   1004 stop      -> UM_CMD_STOP                1007 step forward  -> UM_CMD_STEP_FORWARD
//                                                1008 next          -> UM_CMD_NEXT_RECORDING
//
// The main window is the bar's parent's parent (bar -> enlarged window -> main window). The
// position bar seeks through the main window like the main one (UM_SEEK).
//
// Thread contract: UI thread only.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <map>

#include "platform/window.h"

namespace moksel {

class BitmapButton;
class GrpScrl;
class OstrelMovieSeekHidden;
class OstrelShowTime;
class OstrelShowTotalTime;

class OstrelHiddenControl : public Window<QWidget> {
public:
    static constexpr int kHeight = 60;  // the strip of the enlarged window the bar covers

    explicit OstrelHiddenControl(QWidget* enlargedWindow);

    BitmapButton* button(int id) const;
    OstrelMovieSeekHidden* positionPane() const { return positionPane_; }
    GrpScrl* slider() const;
    OstrelShowTime* timePane() const { return timePane_; }
    OstrelShowTotalTime* totalTimePane() const { return totalTimePane_; }

    // Shows a time report (whole seconds) the way the main window shows it in its own panes:
    // the length only when known, the position never past the length.
    void showTimes(unsigned currentSeconds, unsigned totalSeconds);

    // Places the bar over the bottom 60 pixels of its window, across its whole width.
    void placeAlongBottom();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LResult sendToMainWindow(unsigned number);

    QPointer<QWidget> mainWindow_;
    std::map<int, BitmapButton*> buttons_;
    QPixmap background_;  // 321, 1023 x 70; its last column stretches to wider screens
    OstrelMovieSeekHidden* positionPane_ = nullptr;
    OstrelShowTime* timePane_ = nullptr;
    OstrelShowTotalTime* totalTimePane_ = nullptr;
};

}  // namespace moksel
