#pragma once

#include <QApplication>

namespace corvane {

// The station's application object. run() does the start-up in order: the
// organisation and application name "ORVEX Corvane", the start-up folder,
// the single-instance check (a second start, even one at the same moment,
// asks the first to show its window, says so on standard output and ends
// without showing anything; a start that cannot make the check says so and
// goes on), then the main window's life
// (CorvaneDlg: initialise, run modally, shut down). SIGTERM, SIGINT and SIGHUP
// close the window in order without asking.
//
// Threads: the main thread. Throws: only std::bad_alloc and SystemException
// (no pipe for the signals, no thread for the server).
class CorvaneApp : public QApplication
{
    Q_OBJECT

public:
    CorvaneApp(int& argc, char** argv);

    // Returns the process's exit code: 0 after the window's life or a
    // handed-over second start, 1 when the window could not start or a
    // running instance held the lock but did not answer.
    int run();

    // Settings every process that hosts the station's web view needs before
    // the application object exists.
    static void prepareProcess();
};

} // namespace corvane
