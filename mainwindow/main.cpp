// MOKSEL VIEWER: the viewer for the recordings of the two-camera car dash camera.
#include "mainwindow/costrel_app.h"

int main(int argc, char** argv) {
    moksel::COstrelApp application;
    return application.run(argc, argv);
}
