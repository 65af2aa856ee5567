#include "displays/display_pane.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/skin_dialog.h"

namespace moksel {

DisplayPane::DisplayPane(QWidget* parent, const char* className, QSize size, Press press)
    : Window<QWidget>(parent), press_(press) {
    setObjectName(QString::fromLatin1(className));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(size);
}

void DisplayPane::drawTextAt(QPainter& painter, QPoint at, const QString& text) {
    painter.drawText(QRect(at, QSize(1, 1)), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void DisplayPane::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(event);
}

void DisplayPane::mousePressEvent(QMouseEvent* event) {
    if (press_ == Press::DragsMainWindow && event->button() == Qt::LeftButton) {
        // The press goes on to the main window, which moves itself as if its caption was held.
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace moksel
