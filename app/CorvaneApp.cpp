#include "app/CorvaneApp.h"

#include "app/CorvaneDlg.h"
#include "app/SingleInstance.h"
#include "app/SingletonStationRecords.h"
#include "app/StartupFolder.h"
#include "app/TerminationSignals.h"
#include "base/Trace.h"

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
}

int CorvaneApp::run()
{
    StartupFolder::record();
    // The faults the station survives leave a trail beside its databases.
    openTraceLog(StartupFolder::path().toStdString() + "/corvane.log");

    SingleInstance instance;
    if (!instance.claim())
        return 0;

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
