#include "mainwindow/message_boxes.h"

#include "dialogs/message_boxes.h"
#include "mainwindow/costrel_dlg.h"

namespace moksel {

int runOneButtonBox(QWidget* mainWindow, int code) {
    auto* window = dynamic_cast<COstrelDlg*>(mainWindow);
    return showOneButtonMessage(mainWindow, code, window != nullptr ? window->messageDetail() : QString());
}
int runTwoButtonBox(QWidget* mainWindow, int code) { return askTwoButtonQuestion(mainWindow, code); }

}  // namespace moksel
