#include "mainwindow/costrel_app.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#ifdef MOKSEL_HAVE_QUICK
#include <QQuickWindow>
#include <QSGRendererInterface>
#endif

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

QStringList COstrelApp::commandLinePaths(int argc, char** argv) {
    QStringList paths;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && argv[i][0] != '\0') paths << QFile::decodeName(argv[i]);
    }
    return paths;
}

int COstrelApp::run(int argc, char** argv) {
    preferX11UnderWayland();
    QApplication application(argc, argv);
#ifdef MOKSEL_HAVE_QUICK
    // The map's page view draws through a scene graph that asks for OpenGL by default. With it
    // the whole window is composed through OpenGL at every repaint (measured on a display that
    // draws OpenGL in software: ten times the CPU of the pictures themselves, and a white page
    // under a virtual X server), and with no OpenGL at all the first repaint fails. The scene
    // graph draws in software, always (before any page view exists).
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
#endif
    QApplication::setApplicationName(QStringLiteral("MOKSEL VIEWER"));
    // The viewer keeps no settings; this key is set and never read or written.
    QApplication::setOrganizationName(QStringLiteral("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options out of argc and argv; what is left after the program name
    // are the files and folders to open.
    const QStringList paths = commandLinePaths(argc, argv);

    int result = 0;
    {
        COstrelDlg mainWindow;
        mainWindow.initialise();
        mainWindow.openAtStart(paths);
        result = mainWindow.exec() == QDialog::Accepted ? 0 : 1;
    }
    return result;
}

}  // namespace moksel
