// A pane of the main window whose own behaviour is not built yet: it sits at its rectangle,
// paints its skin background and keeps the messages it was sent, so the main window's traffic
// to it is real and can be inspected. Each is replaced by its real class as that is built.
//
// Thread contract: UI thread only (handlers run there whatever thread sent).
#pragma once

#include <QPixmap>
#include <vector>

#include "platform/window.h"

namespace moksel {

class SkinPane : public Window<QWidget> {
public:
    struct Received {
        unsigned number;
        WParam wParam;
        LParam lParam;
    };

    // `className` names the pane (its object name); `background` is a skin bitmap number
    // (0 or a missing bitmap: a plain dark fill). `dragsMainWindow`: a left press on the pane
    // goes on to the main window, which moves itself.
    SkinPane(const char* className, int background, bool dragsMainWindow, QWidget* parent);

    const std::vector<Received>& received() const { return received_; }
    void clearReceived() { received_.clear(); }

protected:
    LResult handleMessage(unsigned number, WParam wParam, LParam lParam) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap background_;
    bool dragsMainWindow_;
    std::vector<Received> received_;
};

}  // namespace moksel
