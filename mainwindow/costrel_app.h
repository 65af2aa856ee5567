// The application object: prepares the process and runs the main window modally for the whole
// life of the process; the process ends when the main window's modal loop returns. Files and
// folders given on the command line are opened in the recording list as if they were dropped
// on it. `--help` and `--version` print the usage or the build's version and end at once,
// before any window exists. The viewer's remembered settings (viewer_settings.h) are applied
// before the window shows and written when it has closed.
//
// Thread contract: the main thread, which becomes the UI thread.
#pragma once

#include <QStringList>
#include <cstdio>

namespace moksel {

class COstrelApp {
public:
    // Runs the viewer; returns the process exit code.
    int run(int argc, char** argv);

    // Under Wayland, where a program cannot place its own windows, asks Qt for X11 (XWayland)
    // when it is there, so the window keeps its fixed place. Before the application object.
    static void preferX11UnderWayland();

    // The files and folders named on the command line (argv after the program name, once Qt
    // has removed its own options), in order, decoded from the system's file name encoding.
    static QStringList commandLinePaths(int argc, char** argv);

    // Answers `--help` or `--version` among the arguments: prints to `out` and returns true (the
    // program then ends with status 0). False for any other command line.
    static bool answerInformationOption(int argc, char** argv, std::FILE* out);
};

}  // namespace moksel
