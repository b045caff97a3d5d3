#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <string>

class QWebEnginePage;
struct sqlite3;

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

// A UDP port on 127.0.0.1 that nobody holds at the moment of the call.
int freeUdpPort();

// A UDP port within [low, high] that nobody holds at the moment of the call.
int freeUdpPortBetween(int low, int high);

// Sends one datagram to 127.0.0.1:port.
void sendDatagram(int port, const std::string& text);

// Creates a settings file that holds only the callback port.
void writeSetupPort(const std::string& path, int port);

// Whether some UDP socket of this machine is bound to port, and how many
// bytes wait in its receive queue (from the kernel's socket table).
std::optional<long> udpReceiveQueue(int port);

// A read-only view of app.db for checks; every query reads the newest
// committed state.
class AppDatabase
{
public:
    explicit AppDatabase(const std::string& path);
    ~AppDatabase();
    AppDatabase(const AppDatabase&) = delete;
    AppDatabase& operator=(const AppDatabase&) = delete;

    // The first column of the first row as a number (0 when there is no row
    // or the file cannot be read yet).
    long long number(const std::string& sql);
    // The first column of the first row as text (empty when none).
    std::string text(const std::string& sql);

private:
    bool ensureOpen();

    std::string m_path;
    sqlite3* m_handle = nullptr;
};

} // namespace corvane::test
