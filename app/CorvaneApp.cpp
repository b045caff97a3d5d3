#include "app/CorvaneApp.h"

#include "app/CorvaneDlg.h"
#include "app/SingleInstance.h"
#include "app/SingletonStationRecords.h"
#include "app/StartupFolder.h"
#include "app/TerminationSignals.h"
#include "base/Trace.h"
#include "browser/TileSchemeHandler.h"

#include <clocale>
#include <cstdio>

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
    // The engine learns its schemes once, before it starts.
    TileSchemeHandler::registerScheme();
    // The page gets a script of new text every frame, and the script engine's
    // compilation cache keeps every text it has compiled: the page's process
    // grew by megabytes a second under a busy fleet. Nothing is lost without
    // the cache, as no text comes twice. Script options the caller set win.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--js-flags"))
        flags += " --js-flags=--no-compilation-cache";
    // The engine also compresses, every two seconds, each long text it has not read for a
    // while: a busy fleet's frame scripts, which are never read again and are let go soon
    // anyway. That was a tenth of the page's process at ten thousand vehicles.
    if (!flags.contains("--disable-features"))
        flags += " --disable-features=CompressParkableStrings";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

int CorvaneApp::run()
{
    StartupFolder::record();
    // The faults the station survives leave a trail beside its databases.
    openTraceLog(StartupFolder::path().toStdString() + "/corvane.log");

    SingleInstance instance;
    switch (instance.claim()) {
    case SingleInstance::Claim::Deferred:
        // Said on standard output, so that a start from a terminal or a
        // script does not look like a silent failure.
        std::printf("ORVEX Corvane is already running for this user; its window was brought "
                    "to the front.\n");
        std::fflush(stdout);
        return 0;
    case SingleInstance::Claim::Unanswered:
        // Still not a second station on the same files.
        std::printf("ORVEX Corvane is already running for this user, but its window could not "
                    "be brought to the front: %s\n",
                    instance.problem().toLocal8Bit().constData());
        std::fflush(stdout);
        return 1;
    case SingleInstance::Claim::Unguarded:
        std::printf("ORVEX Corvane starts without the single-instance check: %s\n",
                    instance.problem().toLocal8Bit().constData());
        std::fflush(stdout);
        break;
    case SingleInstance::Claim::First:
        // Held anyway: a later start still finds the lock and ends.
        if (!instance.problem().isEmpty())
            traceMessage("The single-instance socket cannot listen: %s",
                         instance.problem().toLocal8Bit().constData());
        break;
    }

    TerminationSignals termination;
    SingletonStationRecords records;
    CorvaneDlg window(records);
    // Qt's invisible platforms show nothing that could be answered.
    const QString platform = platformName();
    window.setUnattended(platform == QLatin1String("offscreen") ||
                         platform == QLatin1String("minimal"));
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
