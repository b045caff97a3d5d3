// Drawing a stored track on the real page and replaying it: for each vehicle
// measured by data_track_bench (1,000, 100,000 and 1,000,000 samples), the
// time from asking for the track to the page having drawn it, the page's
// share of it (one call with the thinned line), the time until every sample
// is in for replay and export, and the time of one replay frame at x64
// (position, script and the page moving the marker).
//
//   app_track_history_bench <app.db made by data_track_bench> [cold]
//
// With "cold" (as root) the page cache is dropped before each track.

#include "app/TrackHistory.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "data/TrackPoint.h"
#include "page/PageHarness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <fstream>
#include <string>

using namespace corvane;

namespace {

class TimedPageSink final : public PageCallSink
{
public:
    explicit TimedPageSink(PageHarness& page) : m_page(page) {}
    void call(PageCall call) override
    {
        const std::string script = call.text();
        QElapsedTimer timer;
        timer.start();
        m_page.eval(QString::fromStdString(script) + QStringLiteral(";0"), 60000);
        lastMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        lastBytes = script.size();
    }
    double lastMs = 0;
    std::size_t lastBytes = 0;

private:
    PageHarness& m_page;
};

const char* const vehicles[] = {
    "00000000-0000-4000-8000-000000001000",
    "00000000-0000-4000-8000-000000100000",
    "00000000-0000-4000-8000-000001000000",
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <app.db made by data_track_bench>\n", argv[0]);
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int status = 0;
    {
        PageHarness page;
        if (!page.load(1200, 800)) {
            std::fprintf(stderr, "the page did not load\n");
            return 1;
        }
        TimedPageSink sink(page);
        MapPage mapPage(sink);
        TrackHistory history(mapPage, argv[1]);
        const bool cold = argc > 2 && std::string(argv[2]) == "cold";
        for (const char* id : vehicles) {
            if (cold) {
                std::ofstream drop("/proc/sys/vm/drop_caches");
                drop << "3\n";
            }
            QElapsedTimer timer;
            timer.start();
            history.show(id, QStringLiteral("bench"),
                         {"2000-01-01 00:00:00", "2100-01-01 00:00:00", 0});
            if (!page.waitFor([&] { return !history.isLoading(); }, 60000)) {
                std::fprintf(stderr, "no track for %s\n", id);
                status = 1;
                continue;
            }
            const double totalMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            const double queryMs = history.result()->queryMilliseconds;
            const double drawMs = sink.lastMs;
            const std::size_t bytes = sink.lastBytes;
            const std::size_t drawn = history.result()->points->size();
            if (!page.waitFor([&] { return history.isComplete(); }, 120000)) {
                std::fprintf(stderr, "not every sample of %s came\n", id);
                status = 1;
                continue;
            }
            const double completeMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            // Let the page paint once before the replay frames.
            page.eval(QStringLiteral("0"));
            history.setPace(64);
            history.seek(history.startTime());
            const int frames = 200;
            timer.restart();
            for (int f = 0; f < frames; ++f)
                history.step(0.04);
            const double frameMs = static_cast<double>(timer.nsecsElapsed()) / 1e6 / frames;
            std::printf("%8zu samples: shown in %.0f ms (query %.0f ms, %zu read, page call %.0f "
                        "ms, %zu bytes), every sample in at %.0f ms, x64 frame %.2f ms\n",
                        history.points().size(), totalMs, queryMs, drawn, drawMs, bytes, completeMs,
                        frameMs);
            history.live();
        }
    }
    return status;
}
