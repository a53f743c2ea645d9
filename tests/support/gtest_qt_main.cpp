// GoogleTest entry for every test executable: a QApplication on the offscreen
// platform exists before any test runs, so forms, fonts and painting work headless.
#include "TestFiles.h"
#include <QApplication>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    PrepareTestEnvironment();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
