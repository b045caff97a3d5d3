// The time to answer one tile through the station's tile scheme, as the page
// sees it (from setting an image's address to its load event), from an
// MBTiles file and from the tile cache: median and 99th percentile over
// tiles asked one after another, each for the first time. Then the map
// page's time to draw a screen of tiles from a file ("Offline" at level 12),
// from moving the view to the last tile loaded.
//
//   browser_tiles_bench [reads] [screens]     (default 1000 20)
//
// The file holds level-12 tiles of 200 x 100 columns and rows; the cache the
// same tiles under the road template.

#include "bench/BenchFigures.h"
#include "browser/CefClientHandler.h"
#include "browser/TileSchemeHandler.h"
#include "browser/testsupport/TileFileMaker.h"
#include "data/TileCache.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace corvane;

namespace {

constexpr int columns = 200;
constexpr int rows = 100;
constexpr int level = 12;
const char roadTemplate[] = "http://127.0.0.1:9/{z}/{x}/{y}.png"; // nothing listens

// Loads the tiles one after another and keeps each one's time, or -1 for a
// tile that failed.
const char loaderPage[] = R"HTML(<!DOCTYPE html><html><body><script>
window.run = function (urls) {
    window.times = null;
    var times = [];
    var next = function () {
        if (times.length === urls.length) {
            window.times = times;
            return;
        }
        var image = new Image();
        var start = performance.now();
        image.onload = function () { times.push(performance.now() - start); next(); };
        image.onerror = function () { times.push(-1); next(); };
        image.src = urls[times.length];
    };
    next();
};
</script></body></html>)HTML";

void print(const char* what, std::vector<double> times)
{
    const auto failed = std::count(times.begin(), times.end(), -1.0);
    std::sort(times.begin(), times.end());
    std::printf("%-7s n=%zu failed=%ld median=%.3f ms p99=%.3f ms\n", what, times.size(),
                long(failed), times[times.size() / 2], times[times.size() * 99 / 100]);
}

// Distinct tiles, never asked before in this process (the engine keeps
// images it has loaded).
QStringList addresses(const char* source, int first, int count)
{
    QStringList urls;
    for (int i = first; i < first + count; ++i)
        urls << QStringLiteral("corvane-tile://%1/%2/%3/%4")
                    .arg(QLatin1String(source))
                    .arg(level)
                    .arg(i % columns)
                    .arg((i / columns) % rows);
    return urls;
}

std::vector<double> timeLoads(QWebEnginePage& page, const QStringList& urls)
{
    test::evaluate(page, QStringLiteral("run(%1)").arg(QStringLiteral("['") +
                                                       urls.join(QStringLiteral("','")) + "']"));
    QVariant times;
    test::waitFor(
        [&] { return (times = test::evaluate(page, "window.times")).toList().size() > 0; }, 600000);
    std::vector<double> values;
    for (const QVariant& time : times.toList())
        values.push_back(time.toDouble());
    return values;
}

} // namespace

int main(int argc, char** argv)
{
    TileSchemeHandler::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int reads = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int screens = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir folder;

    // Four tiles' worth of different bytes, so that neighbours differ.
    const QByteArray bytes[4] = {
        test::TileFileMaker::plainTile(Qt::red), test::TileFileMaker::plainTile(Qt::green),
        test::TileFileMaker::plainTile(Qt::blue), test::TileFileMaker::plainTile(Qt::yellow)};
    std::vector<test::TileFileMaker::Tile> tiles;
    for (int i = 0; i < columns * rows; ++i)
        tiles.push_back({level, i % columns, i / columns, bytes[i % 4]});
    const QString filePath = folder.filePath("bench.mbtiles");
    if (!test::TileFileMaker::write(filePath, tiles)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(filePath));
        return 1;
    }
    {
        TileCache cache(folder.filePath("tiles.db").toStdString(), std::int64_t(1) << 30);
        for (const auto& tile : tiles)
            cache.store(roadTemplate, tile.z, tile.x, tile.y,
                        std::vector<std::uint8_t>(tile.bytes.begin(), tile.bytes.end()));
    }
    std::printf("tiles=%d bytes/tile=%lld reads=%d\n", columns * rows,
                static_cast<long long>(bytes[0].size()), reads);

    {
        TileSchemeHandler handler;
        handler.install(QWebEngineProfile::defaultProfile());
        handler.setTemplates(roadTemplate, QString());
        handler.setCache(folder.filePath("tiles.db"), std::int64_t(1) << 30);
        for (const char* host : {"offline", "road"}) {
            QWebEnginePage page;
            bool loaded = false;
            QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
            page.setHtml(QString::fromLatin1(loaderPage),
                         QUrl(QStringLiteral("corvane-tile://%1/loader").arg(host)));
            test::waitFor([&] { return loaded; });
            const bool fromFile = QLatin1String(host) == QLatin1String("offline");
            // The road host has no file: its tiles come from the cache.
            handler.setTileFiles(fromFile ? QStringList{filePath} : QStringList{});
            // Tiles of the file's first half, the cache's second: none seen before.
            const int first = fromFile ? 0 : columns * rows / 2;
            print(fromFile ? "file" : "cache", timeLoads(page, addresses(host, first, reads)));
        }
    }

    // The map page draws screens of tiles at level 12, each place new.
    QDir(folder.path()).mkpath("images");
    CefClientHandler host(folder.path());
    host.tiles().setTileFiles({filePath});
    QWebEngineView view;
    view.resize(1100, 700);
    view.show();
    host.adopt(&view);
    test::waitFor([&] { return host.isPageLoaded(); });
    QWebEnginePage& page = *view.page();
    test::evaluate(page, "setStationTiles(1); var select = document.getElementById('mapSelect');"
                         " select.value = 'offline'; select.dispatchEvent(new Event('change')); 0");
    const QString allLoaded = "(function () { var t = global.map.tileLayer._tiles, n = 0, k;"
                              " for (k in t) { if (!t[k].loaded) return -1; n++; } return n; })()";
    std::vector<double> times;
    int tilesDrawn = 0;
    for (int i = 0; i < screens; ++i) {
        // Screens 12 tiles apart, along the file's rows.
        const int x = 8 + (i * 12) % (columns - 16);
        const int y = 8 + ((i * 12) / (columns - 16)) * 10 % (rows - 16);
        const auto start = bench::Clock::now();
        test::evaluate(page, QStringLiteral("global.map.map.setView(global.map.map.unproject("
                                            "[%1 * 256, %2 * 256], %3), %3, { animate: false }); 0")
                                 .arg(x)
                                 .arg(y)
                                 .arg(level));
        int drawn = -1;
        test::waitFor([&] { return (drawn = test::evaluate(page, allLoaded).toInt()) > 0; }, 60000);
        times.push_back(drawn > 0 ? bench::msSince(start) : -1.0);
        tilesDrawn += std::max(drawn, 0);
    }
    std::printf("screens of %d tiles on average:\n", screens > 0 ? tilesDrawn / screens : 0);
    print("screen", times);
    return 0;
}
