// The station in this process, headless, with its real page: the page keeps
// its document against every road away from it, comes back when its renderer
// process is killed, gets what was sent to it before it was ready, and never
// opens a box for a script dialog.

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "base/Trace.h"
#include "browser/MapWebPage.h"
#include "data/VehicleInfo.h"
#include "proof/LoopbackSender.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/UdpPorts.h"
#include "testsupport/VehicleIds.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <unistd.h>

namespace corvane {
namespace {

constexpr int deadlineMs = 60000;

std::string traceFile()
{
    return (std::filesystem::current_path() / "trace.log").string();
}

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "5a6e0000");
}

std::string report(const std::string& name, const std::string& id, int minute)
{
    char sentence[96];
    std::snprintf(sentence, sizeof sentence,
                  ",$GPRMC,13%02d30,A,4807.0380,N,01131.0000,E,0.13,309.62,310511,,*10", minute);
    return test::rawHead(name, "100", "Cab", id) + sentence;
}

std::string emergency(const std::string& name, const std::string& id)
{
    return test::rawHead(name, "13", "Cab", id);
}

// Lines of the trace log that contain text.
int traceLines(const std::string& text)
{
    std::ifstream in(traceFile());
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

// The web engine's renderer processes started by this process. A renderer
// is forked by the engine's zygote and may keep the zygote's command line,
// so a child of a zygote counts as well as a process that says
// --type=renderer.
std::vector<pid_t> rendererProcesses()
{
    const auto parentOf = [](pid_t pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos)
            return pid_t{0};
        std::istringstream rest(text.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        return parent;
    };
    const auto commandLine = [](pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = std::stoi(name);
        const pid_t parent = parentOf(pid);
        const bool renderer = commandLine(pid).find("--type=renderer") != std::string::npos ||
                              (parent != ::getpid() &&
                               commandLine(parent).find("--type=zygote") != std::string::npos);
        if (!renderer)
            continue;
        for (pid_t up = parent, hops = 0; up > 1 && hops < 4; up = parentOf(up), ++hops)
            if (up == ::getpid()) {
                found.push_back(pid);
                break;
            }
    }
    return found;
}

class StationPageLife : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_port = test::freeUdpPort();
        test::writeSetupPort("setup.db", s_port);
        s_records = new SingletonStationRecords;
        s_window = new CorvaneDlg(*s_records);
        ASSERT_TRUE(s_window->initialize());
        s_window->show();
        s_sender = new LoopbackSender(s_port);
    }
    static void TearDownTestSuite()
    {
        delete s_sender;
        s_window->shutdown();
        delete s_window;
        delete s_records;
    }

    static QWebEnginePage& page() { return *s_window->browserView()->page(); }
    static QVariant js(const std::string& script)
    {
        return test::evaluate(page(), QString::fromStdString(script));
    }
    static bool ready()
    {
        return test::waitFor([] { return s_window->isPageReady(); }, deadlineMs);
    }
    // The vehicle has its list entry and its marker on the page.
    static bool shown(const std::string& id)
    {
        return s_window->isPageReady() &&
               js("!!global.listBox.find('" + id + "') && !!findMarker('" + id + "')").toBool();
    }
    static int popups(const std::string& text)
    {
        return js("global.eventPopup.entries().filter(function (e) {"
                  " return e.lastChild.textContent.indexOf('" +
                  text + "') >= 0; }).length")
            .toInt();
    }
    static void send(const std::string& datagram) { ASSERT_TRUE(s_sender->send(datagram)); }
    static bool handled(const std::string& id)
    {
        return test::waitFor(
            [&] { return s_records->findVehicle(UniqueID(id.c_str())) != nullptr; }, deadlineMs);
    }
    // A new vehicle reaches the page, and the page's own call reaches the
    // station: both ways still work.
    static void expectAnswered(int number, const std::string& label)
    {
        const std::string id = vehicleId(number);
        send(report("Probe " + std::to_string(number), id, 1));
        EXPECT_TRUE(test::waitFor([&] { return shown(id); }, deadlineMs)) << label;
        js("cef.extension.onChangeName('" + id + "', 'renamed " + std::to_string(number) + "')");
        EXPECT_TRUE(test::waitFor(
            [&] {
                const VehicleInfo* v = s_records->findVehicle(UniqueID(id.c_str()));
                return v != nullptr && v->edited_name == "renamed " + std::to_string(number);
            },
            deadlineMs))
            << label;
    }

    static inline int s_port = 0;
    static inline SingletonStationRecords* s_records = nullptr;
    static inline CorvaneDlg* s_window = nullptr;
    static inline LoopbackSender* s_sender = nullptr;
};

// First in the suite: the station has only just started.
TEST_F(StationPageLife, AnEmergencySentBeforeThePageIsReadyPopsUpAfterIt)
{
    const std::string id = vehicleId(1);
    send(report("Early Truck", id, 0));
    send(emergency("Early Truck", id));
    ASSERT_TRUE(handled(id));
    ASSERT_TRUE(test::waitFor([] { return s_window->waitingCallbacks() == 0; }, deadlineMs));
    ASSERT_FALSE(s_window->isPageReady()) << "the page was ready before the alarm came";

    ASSERT_TRUE(ready());
    ASSERT_TRUE(test::waitFor([&] { return popups("Early Truck Emergency") == 1; }, deadlineMs));
    EXPECT_TRUE(js("!!vehicleAlarms.flashing['" + id + "']").toBool());
    // One vehicle, once: announced as added by the whole state, not twice.
    EXPECT_EQ(js("vehicleInfoContainer.filter(function (v) { return v.getVehicleID() === '" + id +
                 "'; }).length")
                  .toInt(),
              1);
    EXPECT_EQ(
        js("imageContainer.filter(function (m) { return m.vehicleID === '" + id + "'; }).length")
            .toInt(),
        1);
    EXPECT_EQ(popups("Early Truck is added"), 1);
    EXPECT_EQ(js("global.listBox.find('" + id + "').nameLabel.textContent").toString(),
              QStringLiteral("Early Truck"));
}

TEST_F(StationPageLife, EveryRoadAwayFromTheDocumentIsClosed)
{
    ASSERT_TRUE(ready());
    struct Road
    {
        const char* label;
        const char* script;
    };
    const Road roads[] = {
        {"link", "var a = document.createElement('a'); a.href = 'other.html';"
                 " document.body.appendChild(a); a.click();"},
        {"link to about:blank", "var a = document.createElement('a'); a.href = 'about:blank';"
                                " document.body.appendChild(a); a.click();"},
        {"link in a new window", "var a = document.createElement('a'); a.href = 'other.html';"
                                 " a.target = '_blank'; document.body.appendChild(a); a.click();"},
        {"location to about:blank", "location.href = 'about:blank';"},
        {"location.assign", "location.assign('other.html');"},
        {"location.replace", "location.replace('other.html');"},
        {"location.reload", "location.reload();"},
        {"form.submit to about:blank",
         "var f = document.createElement('form'); f.action = 'about:blank';"
         " document.body.appendChild(f); f.submit();"},
        {"form.requestSubmit", "var f = document.createElement('form'); f.action = 'about:blank';"
                               " document.body.appendChild(f); f.requestSubmit();"},
        {"form submitted by its button",
         "var f = document.createElement('form'); f.action = 'other.html'; f.method = 'post';"
         " var b = document.createElement('button'); b.type = 'submit'; f.appendChild(b);"
         " document.body.appendChild(f); b.click();"},
        {"window.open into itself", "window.open('about:blank', '_self');"},
        {"window.open", "window.open('other.html');"},
        {"history.pushState", "history.pushState({}, '', 'other.html');"},
        {"history.replaceState", "history.replaceState({}, '', 'other.html');"},
        {"history.back", "history.back(); history.go(-1);"},
        {"meta refresh to about:blank",
         "var m = document.createElement('meta'); m.httpEquiv = 'refresh';"
         " m.content = '0;url=about:blank'; document.head.appendChild(m);"},
        {"meta refresh to a file",
         "var m = document.createElement('meta'); m.httpEquiv = 'refresh';"
         " m.content = '0;url=other.html'; document.head.appendChild(m);"},
        {"fragment", "location.hash = '#elsewhere';"},
        {"javascript: address", "location.href = 'javascript:\"<p>replaced</p>\"';"},
        {"form.submit of another frame's realm",
         "var i = document.createElement('iframe'); document.body.appendChild(i);"
         " var f = document.createElement('form'); f.action = 'about:blank';"
         " document.body.appendChild(f); "
         "i.contentWindow.HTMLFormElement.prototype.submit.call(f);"},
        {"top.location from a child frame",
         "var i = document.createElement('iframe');"
         " i.srcdoc = '<script>top.location.href = \"about:blank\";<\\/script>';"
         " document.body.appendChild(i);"},
    };
    const QUrl address = page().url().adjusted(QUrl::RemoveFragment);
    int number = 100;
    for (const Road& road : roads) {
        SCOPED_TRACE(road.label);
        js("window.__sameDocument = 'yes';");
        js(road.script);
        expectAnswered(++number, road.label);
        EXPECT_EQ(js("window.__sameDocument").toString(), QStringLiteral("yes"));
        EXPECT_EQ(page().url().adjusted(QUrl::RemoveFragment), address);
    }
    // A file dropped on the view.
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QDir::current().filePath("setup.db"))});
    QWidget* surface = s_window->browserView()->focusProxy();
    ASSERT_NE(surface, nullptr);
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, mime, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &enter);
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, mime, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &drop);
    expectAnswered(++number, "drop");
    // Late effects (refresh timers, refused loads) had their time meanwhile.
    EXPECT_EQ(js("window.__sameDocument").toString(), QStringLiteral("yes"));
    EXPECT_EQ(page().url().adjusted(QUrl::RemoveFragment), address);
    EXPECT_EQ(traceLines("Map page lost"), 0);
    delete mime;
}

TEST_F(StationPageLife, ScriptDialogsOpenNoBoxAndBlockNothing)
{
    ASSERT_TRUE(ready());
    auto* dialogs = qobject_cast<MapWebPage*>(&page());
    ASSERT_NE(dialogs, nullptr);
    struct Dialog
    {
        const char* script;
        QVariant answer;
        MapWebPage::Dialog kind;
        const char* traced;
    };
    const Dialog cases[] = {
        {"alert('Latitude is not a number')", QVariant(), MapWebPage::Dialog::Alert, "alert"},
        {"confirm('Really?')", QVariant(false), MapWebPage::Dialog::Confirm, "confirm"},
        {"prompt('Name?', 'x')", QVariant(), MapWebPage::Dialog::Prompt, "prompt"},
    };
    const int windows = static_cast<int>(QApplication::topLevelWidgets().size());
    for (const Dialog& d : cases) {
        SCOPED_TRACE(d.script);
        const int before = dialogs->answered(d.kind);
        for (int i = 0; i < 3; ++i) {
            const QVariant answer = js(std::string("[") + d.script + "]").toList().value(0);
            EXPECT_EQ(answer.isValid() && !answer.isNull(), d.answer.isValid());
            if (d.answer.isValid()) {
                EXPECT_EQ(answer, d.answer);
            }
        }
        EXPECT_EQ(dialogs->answered(d.kind), before + 3);
        // Once a minute per kind, however many came.
        EXPECT_EQ(traceLines(std::string("Map page: ") + d.traced + " answered"), 1);
    }
    // Leaving the page asks before-unload once the operator has clicked it.
    QWidget* surface = s_window->browserView()->focusProxy();
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(600, 500));
    js("window.onbeforeunload = function (e) { e.preventDefault(); e.returnValue = 'x';"
       " return 'x'; };");
    page().triggerAction(QWebEnginePage::Reload);
    EXPECT_TRUE(test::waitFor([&] { return dialogs->answered(MapWebPage::Dialog::Unload) >= 1; },
                              deadlineMs));
    js("window.onbeforeunload = null;");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(static_cast<int>(QApplication::topLevelWidgets().size()), windows);
    expectAnswered(200, "after the dialogs");
}

TEST_F(StationPageLife, AKilledRendererBringsTheListAndMarkersBack)
{
    ASSERT_TRUE(ready());
    std::vector<std::string> ids;
    for (int i = 0; i < 3; ++i) {
        ids.push_back(vehicleId(300 + i));
        send(report("Fleet " + std::to_string(i), ids.back(), 2));
    }
    for (const std::string& id : ids)
        ASSERT_TRUE(test::waitFor([&] { return shown(id); }, deadlineMs)) << id;
    js("window.__sameDocument = 'old';");
    const int lostBefore = traceLines("Map page lost");

    const std::vector<pid_t> renderers = rendererProcesses();
    ASSERT_FALSE(renderers.empty()) << "no renderer process found";
    QElapsedTimer since;
    since.start();
    for (const pid_t pid : renderers)
        ::kill(pid, SIGKILL);
    ASSERT_TRUE(test::waitFor([] { return !s_window->isPageReady(); }, deadlineMs));
    // Sent while the page is away: kept and delivered after the whole state.
    const std::string late = vehicleId(310);
    send(report("Late", late, 3));
    send(emergency("Fleet 0", ids[0]));
    ASSERT_TRUE(handled(late));

    ASSERT_TRUE(ready());
    ids.push_back(late);
    for (const std::string& id : ids)
        EXPECT_TRUE(test::waitFor([&] { return shown(id); }, deadlineMs)) << id;
    std::printf("page back with %zu vehicles %lld ms after the kill\n", ids.size(),
                static_cast<long long>(since.elapsed()));
    EXPECT_TRUE(js("window.__sameDocument === undefined").toBool()) << "not a new document";
    EXPECT_TRUE(test::waitFor([] { return popups("Fleet 0 Emergency") == 1; }, deadlineMs));
    EXPECT_EQ(popups("Late is added"), 1);
    EXPECT_EQ(traceLines("Map page lost"), lostBefore + 1);
    EXPECT_TRUE(s_window->windowTitle().contains(QStringLiteral("map loaded again")))
        << s_window->windowTitle().toStdString();
    expectAnswered(320, "after the reload");
}

TEST_F(StationPageLife, ARendererThatKeepsDyingIsRetriedWithAGrowingPause)
{
    ASSERT_TRUE(ready());
    QSignalSpy titles(s_window, &QWidget::windowTitleChanged);
    for (int kill = 0; kill < 3; ++kill) {
        ASSERT_TRUE(ready());
        const std::vector<pid_t> renderers = rendererProcesses();
        ASSERT_FALSE(renderers.empty());
        for (const pid_t pid : renderers)
            ::kill(pid, SIGKILL);
        ASSERT_TRUE(test::waitFor([] { return !s_window->isPageReady(); }, deadlineMs));
    }
    ASSERT_TRUE(ready());
    EXPECT_GE(traceLines("in a row, loading it again in 2000 ms"), 1);
    bool told = false;
    for (const QList<QVariant>& title : titles)
        told = told || title.value(0).toString().contains(QStringLiteral("times in a row"));
    EXPECT_TRUE(told);
    expectAnswered(400, "after the retries");
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    return corvane::test::runInStation(argc, argv, {{0, 0, 1280, 800}}, [](const auto&) {
        return corvane::openTraceLog(corvane::traceFile());
    });
}
