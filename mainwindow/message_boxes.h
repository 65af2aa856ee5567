// The main window's way to the skinned message boxes: a one-button notice by code and a
// two-button question by code whose result is 1 for OK. UI thread only; both run modally.
#pragma once

class QWidget;

namespace moksel {

int runOneButtonBox(QWidget* mainWindow, int code);
int runTwoButtonBox(QWidget* mainWindow, int code);

}  // namespace moksel
