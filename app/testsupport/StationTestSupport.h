#pragma once

#include "testsupport/qt/EventLoopWait.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <string>

class QWebEnginePage;

namespace corvane {
class TableRows;
class TempFolder;
}

namespace corvane::test {

// Helpers for the tests that run the whole station. GUI-thread helpers must
// be called on the thread that owns the QApplication.

// Writes a screen layout for the headless platform into folder and returns
// the platform text that selects it ("offscreen:configfile=..."). Each screen
// is a rectangle; the first is the primary one.
struct Screen
{
    int x, y, width, height;
};
QString offscreenPlatform(const std::string& folder, std::initializer_list<Screen> screens);

// The main() of a test executable that runs the station in its own process:
// makes a fresh start-up folder the working folder, hands it to prepare
// (which may put files there; false ends with 2), sets up the headless
// screens and the station's process as the program does, and runs
// GoogleTest's tests inside the application object. Returns main's result.
int runInStation(int argc, char** argv, std::initializer_list<Screen> screens,
                 const std::function<bool(const TempFolder&)>& prepare = {});

// Sends one datagram to 127.0.0.1:port (LoopbackSender).
void sendDatagram(int port, const std::string& text);

// Creates a settings file that holds only the callback port.
void writeSetupPort(const std::string& path, int port);

// The first column of the first row as text; empty when there is none.
std::string firstText(TableRows& rows, const std::string& sql);

} // namespace corvane::test
