// The large skin compositions: the main window background, the enlarged window's control bar
// and the dialog backgrounds. Coordinates are the window's own pixels.
#pragma once

#include <QPainter>
#include <QSize>

namespace skin::panels {

void mainBackground(QPainter& p, QSize size);      // 129
void controlBar(QPainter& p, QSize size);          // 321
void oneButtonBox(QPainter& p, QSize size);        // 253
void twoButtonBox(QPainter& p, QSize size);        // 320
void scanBox(QPainter& p, QSize size);             // 267
void aboutBox(QPainter& p, QSize size);            // 280
void configurationDialog(QPainter& p, QSize size); // 278
void formatDialog(QPainter& p, QSize size);        // 262

}  // namespace skin::panels
