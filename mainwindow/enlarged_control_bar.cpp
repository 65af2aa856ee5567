#include "mainwindow/enlarged_control_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/slider_panes.h"
#include "displays/time_displays.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"
#include "platform/skin.h"
#include "platform/skin_dialog.h"

namespace moksel {
namespace {

constexpr int kBackgroundBitmap = 321;
constexpr int kBackgroundWidth = 1023;

struct BarButton {
    int id;
    int x;
    int normal;
    int pressed;
    unsigned command;
};
constexpr BarButton kBarButtons[] = {
    {1002, 669, 168, 169, UM_CMD_PREV_RECORDING}, {1003, 712, 164, 165, UM_CMD_STEP_BACK},
    {1004, 757, 160, 161, UM_CMD_STOP},           {1006, 803, 155, 156, UM_CMD_PLAY},
    {1005, 843, 159, 158, UM_CMD_PAUSE},          {1007, 880, 162, 163, UM_CMD_STEP_FORWARD},
    {1008, 921, 166, 170, UM_CMD_NEXT_RECORDING},
};
constexpr int kButtonY = 15;
constexpr QSize kButtonSize{33, 32};
constexpr QPoint kPositionPaneAt{154, 24};
const QRect kTimePaneRect(86, 24, 63, 17);
const QRect kTotalTimePaneRect(535, 24, 63, 17);

}  // namespace

// ---- Control bar

OstrelHiddenControl::OstrelHiddenControl(QWidget* enlargedWindow)
    : Window<QWidget>(enlargedWindow), background_(skinBitmap(kBackgroundBitmap)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    mainWindow_ = enlargedWindow != nullptr ? enlargedWindow->parentWidget() : nullptr;
    resize(kBackgroundWidth, kHeight);

    for (const BarButton& entry : kBarButtons) {
        auto* button = new BitmapButton(this);
        button->setObjectName(QStringLiteral("button%1").arg(entry.id));
        button->setGeometry(QRect(QPoint(entry.x, kButtonY), kButtonSize));
        button->setBitmaps(entry.normal, entry.pressed, entry.normal, entry.normal);
        const unsigned command = entry.command;
        connect(button, &QAbstractButton::clicked, this,
                [this, command] { sendToMainWindow(command); });
        buttons_[entry.id] = button;
    }

    positionPane_ = new OstrelMovieSeekHidden(this, 0, 0);
    positionPane_->setObjectName(QStringLiteral("OstrelMovieSeekHidden"));
    positionPane_->move(kPositionPaneAt);

    timePane_ = new OstrelShowTime(this);
    timePane_->setGeometry(kTimePaneRect);
    totalTimePane_ = new OstrelShowTotalTime(this);
    totalTimePane_->setGeometry(kTotalTimePaneRect);

    positionPane_->show();
    timePane_->show();
    totalTimePane_->show();
}

BitmapButton* OstrelHiddenControl::button(int id) const {
    auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

GrpScrl* OstrelHiddenControl::slider() const {
    return positionPane_->slider();
}

LResult OstrelHiddenControl::sendToMainWindow(unsigned number) {
    auto* target = dynamic_cast<MessageTarget*>(mainWindow_.data());
    return target != nullptr ? target->send(number, 0, 0) : 0;
}

void OstrelHiddenControl::showTimes(unsigned currentSeconds, unsigned totalSeconds) {
    if (static_cast<int>(totalSeconds) > 0) {
        totalTimePane_->send(UM_TIME, totalSeconds, static_cast<LParam>(totalSeconds));
    }
    const unsigned shown = currentSeconds < totalSeconds ? currentSeconds : totalSeconds;
    timePane_->send(UM_TIME, shown, static_cast<LParam>(totalSeconds));
}

void OstrelHiddenControl::placeAlongBottom() {
    if (QWidget* window = parentWidget())
        setGeometry(0, window->height() - kHeight, window->width(), kHeight);
}

void OstrelHiddenControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(22, 22, 24));
    if (background_.isNull()) return;
    const int bitmapHeight = background_.deviceIndependentSize().toSize().height();
    painter.drawPixmap(QRect(0, 0, kBackgroundWidth, bitmapHeight), background_,
                       QRect(QPoint(0, 0), background_.size()));
    if (width() > kBackgroundWidth) {
        // The bitmap's last column stretched over the rest of a wider screen.
        const qreal ratio = background_.devicePixelRatio();
        const QRect lastColumn(static_cast<int>((kBackgroundWidth - 1) * ratio), 0,
                               static_cast<int>(ratio), background_.height());
        painter.drawPixmap(QRect(kBackgroundWidth, 0, width() - kBackgroundWidth, bitmapHeight),
                           background_, lastColumn);
    }
}

void OstrelHiddenControl::mousePressEvent(QMouseEvent* event) {
    // The bar is a window of its own for the mouse: presses on it never reach the picture.
    event->accept();
}

void OstrelHiddenControl::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the bar is not the picture's closing double click.
    event->accept();
}

void OstrelHiddenControl::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(event);
}

}  // namespace moksel
