#include "browser/CefClientHandler.h"
#include "browser/CefClientListener.h"
#include "browser/scriptcalls/ScriptCall.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using test::evaluate;
using test::waitFor;

class CountingListener : public CefClientListener
{
public:
    void onPageLoaded() override { ++loads; }
    int loads = 0;
};

// A page that records what the station's scripts do to it.
const char* const recordingPage = R"HTML(<!DOCTYPE html>
<html><head><title>t</title><script>
window.calls = [];
function updateVehicleName(id, name) { window.calls.push([id, name]); }
document.addEventListener('contextmenu', function () { window.calls.push(['menu']); });
</script></head>
<body><img id="picture" src="images/dot.png" title="engine tip">
<a id="blank" href="about:blank" target="_blank">new</a></body></html>)HTML";

class CefClientHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(QDir(m_folder.path()).mkdir("images"));
        QImage dot(3, 2, QImage::Format_RGB32);
        dot.fill(Qt::red);
        ASSERT_TRUE(dot.save(m_folder.filePath("images/dot.png")));
        m_handler = std::make_unique<CefClientHandler>(m_folder.path());
        m_handler->setListener(&m_listener);
        m_handler->setPageText(QString::fromUtf8(recordingPage));
        m_view = std::make_unique<QWebEngineView>();
        m_view->resize(400, 300);
        m_view->show();
    }

    bool adoptAndWait()
    {
        return m_handler->adopt(m_view.get()) && waitFor([this] { return m_listener.loads > 0; });
    }

    QVariant calls() { return evaluate(*m_view->page(), "JSON.stringify(window.calls)"); }

    QTemporaryDir m_folder;
    CountingListener m_listener;
    std::unique_ptr<CefClientHandler> m_handler;
    std::unique_ptr<QWebEngineView> m_view;
};

TEST_F(CefClientHandlerTest, ScriptsBeforeTheFirstLoadAreDroppedAndLaterOnesRun)
{
    ASSERT_TRUE(m_handler->adopt(m_view.get()));
    EXPECT_FALSE(m_handler->isPageLoaded());
    m_handler->executeScript(QStringLiteral("updateVehicleName('early', 'gui');"));
    std::thread([this] {
        m_handler->executeScript(std::string("updateVehicleName('early', 'worker');"));
    }).join();

    ASSERT_TRUE(waitFor([this] { return m_listener.loads > 0; }));
    EXPECT_TRUE(m_handler->isPageLoaded());
    m_handler->executeScript(QStringLiteral("updateVehicleName('late', 'gui');"));
    std::thread([this] {
        m_handler->executeScript(std::string("updateVehicleName('late', 'worker');"));
    }).join();

    // The worker's call reaches the page through the GUI thread's queue.
    ASSERT_TRUE(waitFor([this] { return calls().toString().contains("worker"); }));
    EXPECT_EQ(calls().toString(), R"([["late","gui"],["late","worker"]])");
}

TEST_F(CefClientHandlerTest, ScriptsFromManyThreadsAllArrive)
{
    ASSERT_TRUE(adoptAndWait());
    constexpr int threads = 4;
    constexpr int perThread = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([this, t] {
            for (int i = 0; i < perThread; ++i) {
                m_handler->executeScript(
                    ScriptCall("updateVehicleName").integer(t).integer(i).finish(";"));
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    QJsonArray received;
    ASSERT_TRUE(waitFor([&] {
        received = QJsonDocument::fromJson(calls().toString().toUtf8()).array();
        return received.size() >= threads * perThread;
    }));
    ASSERT_EQ(received.size(), threads * perThread);
    // Each thread's calls keep their order.
    std::vector<int> next(threads, 0);
    for (const auto& call : received) {
        const int t = call.toArray().at(0).toInt();
        ASSERT_GE(t, 0);
        ASSERT_LT(t, threads);
        EXPECT_EQ(call.toArray().at(1).toInt(), next[t]++);
    }
}

TEST_F(CefClientHandlerTest, ScriptsAfterTheViewIsGoneAreDropped)
{
    ASSERT_TRUE(adoptAndWait());
    m_view.reset();
    EXPECT_EQ(m_handler->browser(), nullptr);
    m_handler->executeScript(QStringLiteral("updateVehicleName('gone', 'gui');"));
    std::thread([this] {
        m_handler->executeScript(std::string("updateVehicleName('gone', 'worker');"));
    }).join();
    // Lets the worker's hand-over run against the missing view.
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_handler->isPageLoaded());
}

TEST_F(CefClientHandlerTest, PageLoadedIsReportedOnceEvenWhenThePageLoadsAgain)
{
    ASSERT_TRUE(adoptAndWait());
    QSignalSpy loads(m_view->page(), &QWebEnginePage::loadFinished);
    // Asked by the engine, not the page (whose own guard cancels a reload):
    // refused, it ends as a failed load that is not the handler's.
    m_view->page()->triggerAction(QWebEnginePage::Reload);
    ASSERT_TRUE(waitFor([&] { return loads.count() > 0; }));
    EXPECT_EQ(m_listener.loads, 1);
    EXPECT_TRUE(m_handler->isPageLoaded());
}

TEST_F(CefClientHandlerTest, RelativeAddressesResolveAgainstTheStartupFolder)
{
    ASSERT_TRUE(adoptAndWait());
    EXPECT_EQ(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
    const QVariant picture = evaluate(
        *m_view->page(), "var p = document.getElementById('picture'); [p.src, p.naturalWidth]");
    const QVariantList values = picture.toList();
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(values[0].toString(),
              QUrl::fromLocalFile(m_folder.filePath("images/dot.png")).toString());
    EXPECT_EQ(values[1].toInt(), 3);
}

TEST_F(CefClientHandlerTest, OnlyTheFirstViewIsAdoptedAndPopupsNeverOpen)
{
    ASSERT_TRUE(adoptAndWait());
    QWebEngineView other;
    EXPECT_FALSE(m_handler->adopt(&other));
    EXPECT_EQ(m_handler->browser(), m_view.get());

    m_view->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    m_handler->executeScript(
        QStringLiteral("window.popup = window.open('about:blank', '_blank');"));
    // The engine hands the script a window at once; refused, it closes again.
    EXPECT_TRUE(waitFor([this] {
        return evaluate(*m_view->page(), "!window.popup || window.popup.closed") == QVariant(true);
    }));
    m_handler->executeScript(QStringLiteral("document.getElementById('blank').click();"));
    m_handler->executeScript(QStringLiteral("updateVehicleName('after', 'popup');"));
    ASSERT_TRUE(waitFor([this] { return calls().toString().contains("popup"); }));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_EQ(m_listener.loads, 1);
}

TEST_F(CefClientHandlerTest, TheViewShowsNoToolTipAndNoContextMenuOfItsOwn)
{
    ASSERT_TRUE(adoptAndWait());
    QWidget* surface = m_view->focusProxy();
    ASSERT_NE(surface, nullptr);

    // What the engine does when the pointer rests on an element with a title.
    m_view->setToolTip(QStringLiteral("engine tip"));
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), surface->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(surface, &help);
    EXPECT_FALSE(QToolTip::isVisible());

    QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(20, 20));
    ASSERT_TRUE(waitFor([this] { return calls().toString().contains("menu"); }));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// Texts that end or corrupt a single-quoted literal unless escaped; each must
// arrive in the page exactly as it was sent.
TEST_F(CefClientHandlerTest, EscapedTextsReachThePageUnchanged)
{
    ASSERT_TRUE(adoptAndWait());
    const std::vector<std::string> names = {
        "O'Brien\\1",
        "line\nbreak",
        "carriage\rreturn",
        "separator\xE2\x80\xA8line",
        "separator\xE2\x80\xA9paragraph",
        std::string("nul\0inside", 10),
        "controls \x01\x1B\x1F\x7F\t end",
        "'); window.calls.push(['injected']); ('",
        "\\'\\\\'",
        "</script><script>",
        "Z\xC3\xBC"
        "rich \xE5\x8C\x97\xE4\xBA\xAC",
        std::string(5000, 'x') + "'",
    };
    for (const auto& name : names) {
        m_handler->executeScript(ScriptCall("updateVehicleName").text("id").text(name).finish());
    }
    const auto expectedCount = static_cast<qsizetype>(names.size());
    QJsonArray received;
    ASSERT_TRUE(waitFor([&] {
        received = QJsonDocument::fromJson(calls().toString().toUtf8()).array();
        return received.size() >= expectedCount;
    }));
    ASSERT_EQ(received.size(), expectedCount);
    for (qsizetype i = 0; i < expectedCount; ++i) {
        const QJsonArray call = received.at(i).toArray();
        ASSERT_EQ(call.size(), 2) << i;
        EXPECT_EQ(call.at(1).toString(), QString::fromStdString(names[i])) << i;
    }
}

class LossListener : public CefClientListener
{
public:
    void onPageLoaded() override { ++loads; }
    void onPageLost(const std::string& reason, int, int) override { reasons.push_back(reason); }
    int loads = 0;
    std::vector<std::string> reasons;
};

// A script that never ends ends no process: without the watch the page
// would stay frozen and every later call would wait behind it.
TEST_F(CefClientHandlerTest, ARendererThatStopsAnsweringIsEndedAndThePageComesBack)
{
    LossListener listener;
    m_handler->setListener(&listener);
    struct Unset
    {
        CefClientHandler& handler;
        ~Unset() { handler.setListener(nullptr); }
    } unset{*m_handler};
    m_handler->setHangTimes(200, 1500);
    ASSERT_TRUE(m_handler->adopt(m_view.get()));
    ASSERT_TRUE(waitFor([&] { return listener.loads == 1; }));
    // Busy for a moment, as a large state is: answered between tasks, no loss.
    m_handler->executeScript(
        QStringLiteral("var until = Date.now() + 600; while (Date.now() < until) {}"));
    m_handler->executeScript(QStringLiteral("updateVehicleName('busy', 'done');"));
    ASSERT_TRUE(waitFor([&] { return calls().toString().contains("done"); }));
    EXPECT_TRUE(listener.reasons.empty());

    m_handler->executeScript(QStringLiteral("for (;;) {}"));
    ASSERT_TRUE(waitFor([&] { return listener.loads == 2; }, 30000));
    ASSERT_EQ(listener.reasons.size(), 1u);
    EXPECT_NE(listener.reasons[0].find("stopped answering"), std::string::npos)
        << listener.reasons[0];
    m_handler->executeScript(QStringLiteral("updateVehicleName('after', 'hang');"));
    EXPECT_TRUE(waitFor([&] { return calls().toString().contains("hang"); }));
}

} // namespace
} // namespace corvane
