// Skin pieces shared between the bitmaps and the backgrounds they sit on.
#pragma once

#include <QPainter>
#include <QPoint>
#include <QString>

namespace skin::parts {

// The rear-flip indicator, 62 x 23 at `at`: dim on the background, lit in its own bitmap.
void flipIndicator(QPainter& p, QPoint at, const QString& text, bool lit);

}  // namespace skin::parts
