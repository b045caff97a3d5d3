#include "app/CorvaneApp.h"

#include "app/CorvaneDlg.h"
#include "app/SingleInstance.h"
#include "app/SingletonStationRecords.h"
#include "app/StartupFolder.h"
#include "app/TerminationSignals.h"

#include <clocale>

namespace corvane {

CorvaneApp::CorvaneApp(int& argc, char** argv) : QApplication(argc, argv)
{
    // The toolkit takes the user's locale for the C library; numbers written
    // into scripts and the databases need a decimal point.
    std::setlocale(LC_NUMERIC, "C");
    setOrganizationName(QStringLiteral("ORVEX Corvane"));
    setApplicationName(QStringLiteral("ORVEX Corvane"));
}

void CorvaneApp::prepareProcess()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The page gets a script of new text every frame, and the script engine's
    // compilation cache keeps every text it has compiled: the page's process
    // grew by megabytes a second under a busy fleet. Nothing is lost without
    // the cache, as no text comes twice. Script options the caller set win.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--js-flags")) {
        flags += " --js-flags=--no-compilation-cache";
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    }
}

int CorvaneApp::run()
{
    StartupFolder::record();

    SingleInstance instance;
    if (!instance.claim())
        return 0;

    TerminationSignals termination;
    SingletonStationRecords records;
    CorvaneDlg window(records);
    connect(&instance, &SingleInstance::activationRequested, &window, &CorvaneDlg::activate);
    connect(&termination, &TerminationSignals::terminationRequested, &window,
            &CorvaneDlg::closeWithoutAsking);
    if (!window.initialize())
        return 1;
    window.exec();
    window.shutdown();
    return 0;
}

} // namespace corvane
