#include "mainwindow/skin_pane.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/skin.h"
#include "platform/skin_dialog.h"

namespace moksel {

SkinPane::SkinPane(const char* className, int background, bool dragsMainWindow, QWidget* parent)
    : Window<QWidget>(parent),
      background_(background > 0 ? skinBitmap(background) : QPixmap()),
      dragsMainWindow_(dragsMainWindow) {
    setObjectName(QString::fromLatin1(className));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

LResult SkinPane::handleMessage(unsigned number, WParam wParam, LParam lParam) {
    received_.push_back({number, wParam, lParam});
    return 0;
}

void SkinPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(0, 0, background_);
    }
}

void SkinPane::mousePressEvent(QMouseEvent* event) {
    if (dragsMainWindow_) {
        event->ignore();  // the main window takes the press and moves
        return;
    }
    event->accept();
}

void SkinPane::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(event);
}

}  // namespace moksel
