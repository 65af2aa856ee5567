// The entry point of the map pane tests: the page view wants shared graphics contexts chosen
// before the application object exists.
#include <gtest/gtest.h>

#include <QApplication>

#include "displays/map/map_tiles.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    moksel::registerMapTileScheme();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
