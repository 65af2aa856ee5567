#include "mainwindow/costrel_app.h"

#include <QApplication>
#include <cstdlib>

#include "mainwindow/costrel_dlg.h"

namespace moksel {

void COstrelApp::preferX11UnderWayland() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (wayland && *wayland && x11 && *x11 && !(chosen && *chosen)) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

int COstrelApp::run(int argc, char** argv) {
    preferX11UnderWayland();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MOKSEL VIEWER"));
    // The viewer keeps no settings; this key is set and never read or written.
    QApplication::setOrganizationName(QStringLiteral("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램"));
    QApplication::setQuitOnLastWindowClosed(false);

    int result = 0;
    {
        COstrelDlg mainWindow;
        mainWindow.initialise();
        result = mainWindow.exec() == QDialog::Accepted ? 0 : 1;
    }
    return result;
}

}  // namespace moksel
