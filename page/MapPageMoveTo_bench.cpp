// Times one moveTo inside the page, with 101 vehicles whose tracks are full (1000 points),
// measured by the page itself with performance.now() (which the engine rounds to 0.1 ms
// per reading). Prints mean and 99th percentile for all vehicles and for the selected one
// (whose tracking line follows it).
//
//   page_moveTo_bench [vehicles]   (default 101; more raise the page's list limit to match)
//
// Also prints how long the page took to take the fleet in one script, as at start-up,
// what one frame of the marker layer costs with the whole world in view, its drawing
// included, and what a search over the whole list costs, from the typed text to the
// list's rows laid out.
#include "page/PageHarness.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using corvane::PageHarness;

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    PageHarness page;
    if (!page.load()) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    const int vehicles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 101;
    const double insertMs =
        page.eval(QString(R"js(
        (function (count) {
            setListLimit(count);
            var t0 = performance.now();
            for (var v = 0; v < count; v++) {
                insertVehicle(1, String(Math.sin(v) * 40), String(Math.cos(v) * 80), 'b' + v,
                              'vehicle ' + v, '2011-05-31 13:45:30');
            }
            return performance.now() - t0;
        })(%1))js")
                      .arg(vehicles),
                  600000)
            .toDouble();
    std::printf("%d vehicles taken in one script: %.1f ms\n", vehicles, insertMs);
    // Median of five per text: one vehicle, a few hundred, none, and all again (from none).
    const QString search =
        QStringLiteral("(function (needle) { var t = []; var list = "
                       "document.getElementById('vehicleList');"
                       " for (var i = 0; i < 5; i++) { setSearchText(needle ? '' : 'none of them');"
                       "   var t0 = performance.now(); setSearchText(needle); list.offsetHeight;"
                       "   t.push(performance.now() - t0); }"
                       " t.sort(function (a, b) { return a - b; }); return t[2]; })");
    const QString count = QStringLiteral("document.getElementById('searchCount').textContent");
    for (const char* needle : {"vehicle 9999", "VEHICLE 12", "no such vehicle", ""}) {
        const double ms = page.eval(search + QString("('%1')").arg(needle), 600000).toDouble();
        std::printf("search '%s' over %d vehicles: %.1f ms (%s)\n", needle, vehicles, ms,
                    page.eval(count).toString().toUtf8().constData());
    }
    page.eval("setSearchText(''); 0");
    page.eval(QString(R"js(
        for (var v = 0; v < %1; v++) {
            for (var i = 0; i < VehicleInfo.maxTrackLength; i++) {
                moveTo(Math.sin(v + i / 100) * 40, Math.cos(v + i / 100) * 80, 12, 0, 0, 0, i % 360, 'b' + v);
            }
        }
        selectVehicle('b0');
        0;)js")
                  .arg(vehicles),
              600000);
    // A frame's drawing is done when the canvas is read: getImageData waits for it.
    const QVariantList frame =
        page.eval("(function () { var t = []; var c = markerLayer.canvas.getContext('2d');"
                  " for (var i = 0; i < 20; i++) { var t0 = performance.now(); markerLayer.drawNow();"
                  "   c.getImageData(0, 0, 1, 1); t.push(performance.now() - t0); }"
                  " t.sort(function (a, b) { return a - b; });"
                  " return [t[10], markerLayer.clusters.length, Object.keys(markerLayer.placements).length]; })()",
                  600000)
            .toList();
    if (frame.size() == 3)
        std::printf("marker layer frame, world in view: median %.2f ms (%d clusters, %d markers drawn)\n",
                    frame[0].toDouble(), frame[1].toInt(), frame[2].toInt());
    const char* measure = R"js(
        (function (selectedOnly, vehicles) {
            var times = [];
            for (var n = 0; n < 5000; n++) {
                var id = selectedOnly ? 'b0' : 'b' + (n % vehicles);
                var lat = Math.sin(n / 50) * 40, lng = Math.cos(n / 50) * 80;
                var t0 = performance.now();
                moveTo(lat, lng, 12, 1, 2, 3, n % 360, id);
                times.push(performance.now() - t0);
            }
            times.sort(function (a, b) { return a - b; });
            var sum = times.reduce(function (a, b) { return a + b; }, 0);
            return [sum / times.length, times[Math.floor(times.length * 0.99)],
                    findVehicle('b1').getTrack().length];
        }))js";
    const std::string all = "all " + std::to_string(vehicles) + " vehicles";
    const char* labels[] = {all.c_str(), "selected vehicle"};
    for (int selected = 0; selected < 2; ++selected) {
        const QVariantList r =
            page.eval(QString::fromUtf8(measure) +
                          QString(selected ? "(true, %1)" : "(false, %1)").arg(vehicles),
                      600000)
                .toList();
        if (r.size() != 3) {
            std::fprintf(stderr, "measurement failed\n");
            return 1;
        }
        std::printf("moveTo, %s: mean %.4f ms, p99 %.4f ms (5000 calls, track length %d)\n",
                    labels[selected], r[0].toDouble(), r[1].toDouble(), r[2].toInt());
    }
    return 0;
}
