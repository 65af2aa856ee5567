// The entry point of the main window tests. The window holds the map pane's page view, which
// wants shared graphics contexts chosen before the application object exists, as the viewer's
// own entry point does. Listing the tests (CTest's discovery) needs no display.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
