#include "mainwindow/message_boxes.h"

#ifdef MOKSEL_HAVE_DIALOGS
#include "dialogs/message_boxes.h"
#else
#include <QMessageBox>
#include <QString>
#endif

namespace moksel {

#ifdef MOKSEL_HAVE_DIALOGS
int runOneButtonBox(QWidget* mainWindow, int code) { return showOneButtonMessage(mainWindow, code); }
int runTwoButtonBox(QWidget* mainWindow, int code) { return askTwoButtonQuestion(mainWindow, code); }
#else
// Until the skinned boxes are built: plain boxes naming the code.
int runOneButtonBox(QWidget* mainWindow, int code) {
    QMessageBox::information(mainWindow, QStringLiteral("MOKSEL VIEWER"),
                             QStringLiteral("Message %1").arg(code));
    return 1;
}
int runTwoButtonBox(QWidget* mainWindow, int code) {
    return QMessageBox::question(mainWindow, QStringLiteral("MOKSEL VIEWER"),
                                 QStringLiteral("Question %1").arg(code),
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok
               ? 1
               : 2;
}
#endif

}  // namespace moksel
