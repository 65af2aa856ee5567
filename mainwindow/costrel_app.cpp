#include "mainwindow/costrel_app.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef MOKSEL_HAVE_QUICK
#include <QQuickWindow>
#include <QSGRendererInterface>
#endif

#include "mainwindow/costrel_dlg.h"
#include "mainwindow/viewer_settings.h"

#ifndef MOKSEL_VERSION
#error "MOKSEL_VERSION comes from the project version (mainwindow/CMakeLists.txt)"
#endif

namespace moksel {

namespace {

// The end of the desktop session (SIGTERM, SIGHUP) or Ctrl+C in a terminal ends the viewer the
// exit button's way, so the settings are written and the engine stops cleanly. The handler only
// writes a byte to a socket the window's thread watches; a second signal ends the process at
// once (the handlers reset themselves).
int signalSocket[2] = {-1, -1};

void noteEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[1], &byte, 1);
}

void endOnSignals(COstrelDlg& mainWindow, QObject& owner) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSocket) != 0) return;
    auto* notifier = new QSocketNotifier(signalSocket[0], QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, &owner, [&mainWindow, notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalSocket[0], &byte, 1);
        notifier->setEnabled(false);
        mainWindow.exitViewer();
    });
    struct sigaction action {};
    action.sa_handler = noteEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(number, &action, nullptr);
}

}  // namespace

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

bool COstrelApp::answerInformationOption(int argc, char** argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr) continue;
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fprintf(out, "moksel-viewer %s\n", MOKSEL_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("Usage: moksel-viewer [FILE-OR-FOLDER]...\n"
                       "Plays the front and rear recordings of the MOKSEL dash camera side by side,\n"
                       "with their speed, heading, map position and G-sensor curves.\n"
                       "The files and folders given are listed as if dropped on the recording list.\n"
                       "\n"
                       "  --help     print this text and exit\n"
                       "  --version  print the viewer's version and exit\n"
                       "\n"
                       "In the viewer, F1 or ? lists the keys. Settings are kept in\n"
                       "$XDG_CONFIG_HOME/moksel-viewer/moksel-viewer.conf (else ~/.config/...).\n",
                       out);
            return true;
        }
    }
    return false;
}

int COstrelApp::run(int argc, char** argv) {
    if (answerInformationOption(argc, argv, stdout)) return 0;
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
    // The framework's key is set and never read or written: the viewer's own settings file
    // has its own place (viewer_settings.h).
    QApplication::setOrganizationName(QStringLiteral("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options out of argc and argv; what is left after the program name
    // are the files and folders to open.
    const QStringList paths = commandLinePaths(argc, argv);

    int result = 0;
    {
        const QString settingsFile = ViewerSettings::defaultFile();
        COstrelDlg mainWindow;
        mainWindow.initialise();
        ViewerSettings::load(settingsFile).applyTo(mainWindow);
        QObject signalOwner;
        endOnSignals(mainWindow, signalOwner);
        mainWindow.openAtStart(paths);
        result = mainWindow.exec() == QDialog::Accepted ? 0 : 1;
        ViewerSettings::of(mainWindow).save(settingsFile);
    }
    return result;
}

}  // namespace moksel
