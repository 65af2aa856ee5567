#include "mainwindow/message_boxes.h"

#include "dialogs/message_boxes.h"

namespace moksel {

int runOneButtonBox(QWidget* mainWindow, int code) { return showOneButtonMessage(mainWindow, code); }
int runTwoButtonBox(QWidget* mainWindow, int code) { return askTwoButtonQuestion(mainWindow, code); }

}  // namespace moksel
