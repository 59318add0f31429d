// GoogleTest entry for tests that need a Qt application object and its event
// loop. Widget tests run on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Allocations that Qt's platform plugins and the system libraries under them
// keep for the life of the process; not ours to free. Built in rather than
// read from a file, so test discovery at build time sees them too.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:QPlatformScreen\n"
           "leak:QPlatformIntegration\n"
           "leak:libqoffscreen\n"
           "leak:libqxcb\n"
           "leak:libQt5XcbQpa\n"
           "leak:libfontconfig\n"
           "leak:libdbus\n"
           "leak:libX11\n"
           "leak:libxcb\n"
           "leak:libGLX\n"
           "leak:libEGL\n";
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
