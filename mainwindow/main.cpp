// MOKSEL VIEWER: the viewer for the recordings of the two-camera car dash camera.
#include <QCoreApplication>
#include <QLoggingCategory>

#include "mainwindow/costrel_app.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include "displays/map/map_tiles.h"
#endif

int main(int argc, char** argv) {
    // The map pane's page view draws through graphics contexts shared with the window's; the
    // choice has to be made before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifdef MOKSEL_HAVE_MAP_PANE
    moksel::registerMapTileScheme();  // the map pictures' scheme, known before any page exists
#endif
    // The page view describes its graphics set-up on every start; the viewer writes only what
    // went wrong (QT_LOGGING_RULES still turns it back on).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    moksel::COstrelApp application;
    return application.run(argc, argv);
}
