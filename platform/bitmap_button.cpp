#include "platform/bitmap_button.h"

#include <QPainter>

#include "platform/skin.h"

namespace moksel {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BitmapButton::setBitmaps(int normal, int pressed, int focus, int disabled) {
    const QPixmap base = skinBitmap(normal);
    setBitmaps(base, pressed ? skinBitmap(pressed) : base, focus ? skinBitmap(focus) : base,
               disabled ? skinBitmap(disabled) : base);
}

void BitmapButton::setBitmaps(QPixmap normal, QPixmap pressed, QPixmap focus, QPixmap disabled) {
    normal_ = std::move(normal);
    pressed_ = std::move(pressed);
    focus_ = std::move(focus);
    disabled_ = std::move(disabled);
    update();
}

const QPixmap& BitmapButton::currentBitmap() const {
    if (!isEnabled()) return disabled_;
    if (isDown()) return pressed_;
    if (hasFocus()) return focus_;
    return normal_;
}

QSize BitmapButton::sizeHint() const {
    return normal_.isNull() ? QSize(16, 16) : normal_.deviceIndependentSize().toSize();
}

void BitmapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& bitmap = currentBitmap();
    if (bitmap.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
        return;
    }
    painter.drawPixmap(QRect(QPoint(0, 0), bitmap.deviceIndependentSize().toSize()), bitmap);
}

}  // namespace moksel
