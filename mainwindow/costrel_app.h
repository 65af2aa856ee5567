// The application object: prepares the process and runs the main window modally for the whole
// life of the process; the process ends when the main window's modal loop returns.
//
// Thread contract: the main thread, which becomes the UI thread.
#pragma once

namespace moksel {

class COstrelApp {
public:
    // Runs the viewer; returns the process exit code.
    int run(int argc, char** argv);

    // Under Wayland, where a program cannot place its own windows, asks Qt for X11 (XWayland)
    // when it is there, so the window keeps its fixed place. Before the application object.
    static void preferX11UnderWayland();
};

}  // namespace moksel
