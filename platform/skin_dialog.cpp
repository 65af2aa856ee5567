#include "platform/skin_dialog.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace moksel {

bool startSystemMove(QWidget* window) {
    QWindow* handle = window->window()->windowHandle();
    return handle != nullptr && handle->startSystemMove();
}

void WindowDragger::press(QWidget* window, QPoint globalPos) {
    window_ = window->window();
    grabOffset_ = globalPos - window_->frameGeometry().topLeft();
}

void WindowDragger::move(QPoint globalPos) {
    if (window_ != nullptr) window_->move(globalPos - grabOffset_);
}

void WindowDragger::release() { window_ = nullptr; }

bool isSwallowedDialogKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

SkinDialog::SkinDialog(QWidget* parent) : Window<QDialog>(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

void SkinDialog::placeAtOffset(const QWidget* mainWindow, QPoint offset) {
    const QPoint origin = mainWindow != nullptr ? mainWindow->mapToGlobal(QPoint(0, 0)) : QPoint();
    move(origin + offset);
}

void SkinDialog::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SkinDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (!startSystemMove(this)) dragger_.press(this, event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void SkinDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragger_.active()) {
        dragger_.move(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void SkinDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragger_.release();
    QDialog::mouseReleaseEvent(event);
}

}  // namespace moksel
