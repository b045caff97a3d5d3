// main() of the test executables that host a web view: GoogleTest inside a
// QApplication, whose thread is the one every wait and script call of
// EventLoopWait.h runs on.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Web views need a GL context shared with the application's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
