#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <string>

class QWebEnginePage;

namespace corvane {
class TableRows;
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

// Processes events until condition holds or timeoutMs has passed.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// Runs script in page's main world and returns its result; invalid when none
// came within the deadline.
QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs = 30000);

// A UDP port within [low, high] that nobody holds at the moment of the call.
int freeUdpPortBetween(int low, int high);

// Sends one datagram to 127.0.0.1:port (LoopbackSender).
void sendDatagram(int port, const std::string& text);

// Creates a settings file that holds only the callback port.
void writeSetupPort(const std::string& path, int port);

// The first column of the first row as text; empty when there is none.
std::string firstText(TableRows& rows, const std::string& sql);

} // namespace corvane::test
