#include "page/PageHarness.h"

#include "page/MapPage.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QDir>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace corvane {

namespace {

// Stands in for the native extension before any page script runs: every function the
// station offers records its name and arguments.
const char* const kRecorderScript = R"js(
(function () {
    window.cef = window.cef || {};
    cef.extension = cef.extension || {};
    window.__nativeCalls = [];
    ['onClickLog', 'onClickSetup', 'onChangeName', 'onUpdateOptionalInfo', 'onClickEdit',
     'onClickRemove', 'onClickImgBtn', 'onChangeAlarmMute', 'onClickTrackHistory',
     'onZoneSaved', 'onZoneDeleted', 'onAcknowledgeAlarms']
        .forEach(function (name) {
        cef.extension[name] = function () {
            var args = Array.prototype.slice.call(arguments).map(function (a) { return String(a); });
            window.__nativeCalls.push([name].concat(args).join('|'));
        };
    });
})();
)js";

} // namespace

class PageHarness::RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList alerts;

protected:
    void javaScriptAlert(const QUrl&, const QString& msg) override { alerts << msg; }
};

PageHarness::PageHarness() : m_view(std::make_unique<QWebEngineView>())
{
    m_page = new RecordingPage(m_view.get());
    QWebEngineScript recorder;
    recorder.setName("cef/extension");
    recorder.setInjectionPoint(QWebEngineScript::DocumentCreation);
    recorder.setWorldId(QWebEngineScript::MainWorld);
    recorder.setRunsOnSubFrames(false);
    recorder.setSourceCode(QString::fromUtf8(kRecorderScript));
    m_page->scripts().insert(recorder);
    m_view->setPage(m_page);
    // As in the station: the alarm tone may sound before anyone has clicked the page.
    m_page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
}

PageHarness::~PageHarness() = default;

bool PageHarness::load(int width, int height)
{
    m_view->resize(width, height);
    m_view->show();
    QSignalSpy loaded(m_page, &QWebEnginePage::loadFinished);
    const QString base = QDir(QStringLiteral(CORVANE_SOURCE_DIR)).absolutePath();
    m_page->setHtml(QString::fromStdString(assembleMapPage()),
                    QUrl::fromLocalFile(base + "/corvane"));
    if (!loaded.wait(30000) || !loaded.first().first().toBool()) {
        return false;
    }
    // The focus proxy (where mouse input goes) exists once the page is rendered.
    return waitFor([this] { return m_view->focusProxy() != nullptr; }) &&
           eval("typeof global === 'object' && global.listBox !== null").toBool();
}

QVariant PageHarness::eval(const QString& script, int deadlineMs)
{
    return test::evaluate(*m_page, script, deadlineMs);
}

bool PageHarness::waitFor(const std::function<bool()>& condition, int deadlineMs)
{
    return test::waitFor(condition, deadlineMs);
}

QStringList PageHarness::takeCalls()
{
    return eval("window.__nativeCalls.splice(0)").toStringList();
}

QStringList PageHarness::takeAlerts()
{
    QStringList alerts = m_page->alerts;
    m_page->alerts.clear();
    return alerts;
}

QPoint PageHarness::centreOf(const QString& selector)
{
    const QVariantList box =
        eval(QStringLiteral("(function () {"
                            " var r = document.querySelector(%1).getBoundingClientRect();"
                            " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                 .arg(QStringLiteral("'") + selector + QStringLiteral("'")))
            .toList();
    if (box.size() != 2) {
        return {-1, -1};
    }
    return QPoint(qRound(box[0].toDouble()), qRound(box[1].toDouble()));
}

QPoint PageHarness::markerCentre(const QString& vehicleId)
{
    const QVariantList at =
        eval(QStringLiteral("(function (id) { markerLayer.drawNow(); var p = markerLayer.placement(id);"
                            " if (!p) { return []; }"
                            " var r = global.map.map.getContainer().getBoundingClientRect();"
                            " return [r.left + p.x, r.top + p.y]; })('%1')")
                 .arg(vehicleId))
            .toList();
    if (at.size() != 2) {
        return {-1, -1};
    }
    return QPoint(qRound(at[0].toDouble()), qRound(at[1].toDouble()));
}

void PageHarness::click(QPoint at, Qt::MouseButton button)
{
    QWidget* target = m_view->focusProxy();
    QTest::mouseMove(target, at);
    QTest::mousePress(target, button, Qt::NoModifier, at);
    QTest::mouseRelease(target, button, Qt::NoModifier, at);
}

} // namespace corvane
