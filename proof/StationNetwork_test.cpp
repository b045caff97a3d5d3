// The station in this process, headless, on an open network: more vehicles
// than the page lists, a page that must keep its document, and a window that
// stops running while a flood arrives. The start-up folder holds a
// folder named app.db, so the station runs without its database.

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "app/testsupport/StationWindowTest.h"
#include "callback/CallbackBacklog.h"
#include "data/VehicleInfo.h"
#include "proof/LoopbackSender.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/UdpPorts.h"
#include "testsupport/VehicleIds.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QWebEngineNavigationRequest>
#include <QWebEngineView>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace corvane {
namespace {

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "5a5e0000");
}

std::string head(const std::string& name, int type, const std::string& id)
{
    return test::rawHead(name, std::to_string(type), "DVR", id);
}

std::string report(int number, int minute)
{
    char sentence[96];
    std::snprintf(sentence, sizeof sentence,
                  ",$GPRMC,13%02d30,A,37%02d.0000,N,12158.3416,W,0.13,309.62,310511,,*10", minute,
                  number % 60);
    return head("Car " + std::to_string(number), 100, vehicleId(number)) + sentence;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

using StationNetwork = test::StationWindowTest;

// Runs first: the vehicles it makes stay in the process's containers.
TEST_F(StationNetwork, VehiclesBeyondTheListStillRaiseTheirAlarms)
{
    LoopbackSender sender(m_port);
    for (int number = 1; number <= 105; ++number)
        ASSERT_TRUE(sender.send(report(number, 0)));
    ASSERT_TRUE(test::waitFor(
        [&] {
            return js("document.getElementById('unlistedCount').textContent").toString() ==
                   "+4 not listed";
        },
        30000));
    EXPECT_EQ(js("document.querySelectorAll('#vehicleList .listEntry').length").toInt(), 101);
    EXPECT_EQ(js("imageContainer.length").toInt(), 101);

    // The 105th reports an emergency: it pops up although it is not listed.
    ASSERT_TRUE(sender.send(head("Car 105", 13, vehicleId(105))));
    const std::string newest = "global.eventPopup.entries()[0].lastChild.textContent";
    EXPECT_TRUE(
        test::waitFor([&] { return js(newest).toString().startsWith("Car 105 Emergency"); }, 30000))
        << js(newest).toString().toStdString();
}

TEST_F(StationNetwork, ThePageKeepsItsDocument)
{
    // Every navigation asked for after the page has loaded (each must be refused).
    std::vector<QUrl> refused;
    QObject::connect(
        &page(), &QWebEnginePage::navigationRequested, &page(),
        [&](QWebEngineNavigationRequest& request) { refused.push_back(request.url()); });
    js("window.__document = 'station'; 0");
    const QUrl startAddress = page().url();

    // A stray local document, and pictures in and outside images/.
    std::ofstream("stray.html") << "<html><body>stray</body></html>";
    std::filesystem::create_directories("images");
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save("images/allowed.png"));
    ASSERT_TRUE(picture.save("outside.png"));
    const QUrl stray = QUrl::fromLocalFile(QDir::current().absoluteFilePath("stray.html"));

    // The page's own guard cancels this before the engine is asked; should it
    // ever get through, the checks of the document below find it gone.
    js("location.href = '" + stray.toString().toStdString() + "'; 0");
    EXPECT_EQ(js("window.__document").toString(), "station");

    // A file dropped on the view asks for the same and gets the same answer.
    QMimeData mime;
    mime.setUrls({stray});
    QWidget* target = m_window->browserView()->focusProxy();
    if (target == nullptr)
        target = m_window->browserView();
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);

    // Pictures: images/ loads, anything else is blocked.
    js("window.__pictures = {};"
       "['images/allowed.png', 'outside.png', 'images/../outside.png'].forEach(function (src) {"
       "  var img = new Image();"
       "  img.onload = function () { window.__pictures[src] = 'loaded'; };"
       "  img.onerror = function () { window.__pictures[src] = 'blocked'; };"
       "  img.src = src; }); 0");
    ASSERT_TRUE(test::waitFor(
        [&] { return js("Object.keys(window.__pictures).length").toInt() == 3; }, 30000));
    EXPECT_EQ(js("window.__pictures['images/allowed.png']").toString(), "loaded");
    EXPECT_EQ(js("window.__pictures['outside.png']").toString(), "blocked");
    EXPECT_EQ(js("window.__pictures['images/../outside.png']").toString(), "blocked");

    EXPECT_EQ(js("window.__document").toString(), "station");
    EXPECT_TRUE(js("typeof findVehicle === 'function'").toBool());
    EXPECT_EQ(page().url(), startAddress);
    // The native bridge answers a page at exactly this address, and does.
    EXPECT_EQ(page().url(), QUrl::fromLocalFile(QDir::current().absoluteFilePath("corvane")));
    LoopbackSender sender(m_port);
    ASSERT_TRUE(sender.send(report(500, 1)));
    ASSERT_TRUE(test::waitFor(
        [&] {
            return js("!!findVehicle('" + vehicleId(500) + "') || isUnlisted('" + vehicleId(500) +
                      "')")
                .toBool();
        },
        30000));
    // Any listed vehicle (the list may be full with those of earlier tests).
    const std::string id =
        js("vehicleInfoContainer.filter(function (v) { return !v.getDeleted(); })[0]"
           ".getVehicleID()")
            .toString()
            .toStdString();
    js("cef.extension.onChangeName('" + id + "', 'Renamed by the page'); 0");
    EXPECT_TRUE(test::waitFor(
        [&] {
            const VehicleInfo* vehicle = m_records.findVehicle(UniqueID(id.c_str()));
            return vehicle != nullptr && vehicle->edited_name == "Renamed by the page";
        },
        30000));
    for (const QUrl& url : refused)
        EXPECT_EQ(url, stray);
}

TEST_F(StationNetwork, AStalledWindowLeavesTheCallbacksToTheDecider)
{
    // The window handles nothing while more datagrams than the backlog holds
    // arrive at 10,000 a second. The receive thread keeps taking them from
    // the socket and the decider keeps deciding them, so the backlog never
    // fills; every datagram is accounted for: decided (here counted as from
    // a vehicle the station does not know), dropped, or lost by the kernel.
    const long before = residentKilobytes();
    const std::uint64_t droppedBefore = m_window->dropCounts().figures().overBacklog;
    const std::uint64_t unknownBefore = m_window->dropCounts().figures().unknownVehicle;
    constexpr int rate = 10000;
    const int total = static_cast<int>(CallbackBacklog::defaultLimit) + 20000;
    std::atomic<int> sent{0};
    std::atomic<bool> done{false};
    std::thread flood([&] {
        LoopbackSender sender(m_port);
        const std::string event = head("Flood", 3, vehicleId(999999));
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < total; ++i) {
            // Paced: the n-th datagram leaves no sooner than n / rate seconds in.
            while (std::chrono::steady_clock::now() - start <
                   std::chrono::microseconds(i * 1000000LL / rate))
                std::this_thread::yield();
            if (sender.send(event))
                ++sent;
        }
        done = true;
    });
    // This thread is the window's: while it only watches, it handles nothing.
    std::size_t highest = 0;
    std::uint64_t decidedWhileHeld = 0;
    while (!done) {
        highest = std::max(highest, m_window->waitingCallbacks());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    flood.join();
    const auto counts = [&] { return m_window->dropCounts().figures(); };
    ASSERT_TRUE(
        // Polls without running the event loop, so the window stays stalled.
        test::waitFor(
            [&] {
                return LoopbackSender::receiveQueue(m_port).value_or(1) == 0 &&
                       m_window->waitingCallbacks() == 0;
            },
            std::chrono::seconds(60)));
    decidedWhileHeld = counts().unknownVehicle - unknownBefore;
    const long kernelDrops = LoopbackSender::drops(m_port).value_or(0);
    const std::uint64_t dropped = counts().overBacklog - droppedBefore;
    const long after = residentKilobytes();
    std::printf("flood: %d sent, %ld lost in the kernel, %llu decided, %zu waiting at most, "
                "%llu dropped, resident %ld kB -> %ld kB\n",
                sent.load(), kernelDrops, static_cast<unsigned long long>(decidedWhileHeld),
                highest, static_cast<unsigned long long>(dropped), before, after);
    EXPECT_LE(highest, CallbackBacklog::defaultLimit);
    EXPECT_GT(decidedWhileHeld, 0u);
    EXPECT_EQ(decidedWhileHeld + dropped + static_cast<std::uint64_t>(kernelDrops),
              static_cast<std::uint64_t>(sent.load()));

    // Once the window runs again the station takes new work as before: here
    // datagrams that name no vehicle, which it counts and otherwise ignores.
    const int vehicles = js("vehicleInfoContainer.length").toInt();
    const std::uint64_t unidentified = m_window->dropCounts().figures().unidentified;
    LoopbackSender sender(m_port);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(sender.send(
            i % 2 ? "x,100" : head("Nobody", 100, "00000000-0000-0000-0000-000000000000")));
    ASSERT_TRUE(test::waitFor(
        [&] { return m_window->dropCounts().figures().unidentified == unidentified + 100; },
        30000));
    EXPECT_EQ(js("vehicleInfoContainer.length").toInt(), vehicles);

    // The operator sees the counts in the setup dialog.
    QString shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == m_window.get())
            return;
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("dropSummary")))
            shown = label->text();
        dialog->reject();
    });
    watch.start(50);
    m_window->pageRequests().onClickSetup();
    ASSERT_TRUE(test::waitFor([&] { return !shown.isEmpty(); }, 30000));
    const DropCounts::Figures figures = m_window->dropCounts().figures();
    EXPECT_EQ(shown.toStdString(), DropCounts::summary(figures));
    EXPECT_NE(shown.toStdString().find(std::to_string(figures.overBacklog) + " while the station"),
              std::string::npos);
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    // A folder named app.db: the station runs without its database.
    return corvane::test::runInStation(argc, argv, {{0, 0, 1280, 800}}, [](const auto&) {
        return std::filesystem::create_directory("app.db");
    });
}
