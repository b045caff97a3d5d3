// Times one moveTo inside the page, with 101 vehicles whose tracks are full (1000 points),
// measured by the page itself with performance.now() (which the engine rounds to 0.1 ms
// per reading). Prints mean and 99th percentile for all vehicles and for the selected one
// (whose tracking line follows it).
#include "page/PageHarness.h"

#include <QApplication>
#include <cstdio>

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
    page.eval(R"js(
        for (var v = 0; v < 101; v++) {
            insertVehicle(1, '0', '0', 'b' + v, 'vehicle ' + v, '2011-05-31 13:45:30');
            for (var i = 0; i < 1000; i++) {
                moveTo(Math.sin(v + i / 100) * 40, Math.cos(v + i / 100) * 80, 12, 0, 0, 0, i % 360, 'b' + v);
            }
        }
        selectVehicle('b0');
        0;)js",
              600000);
    const char* measure = R"js(
        (function (selectedOnly) {
            var times = [];
            for (var n = 0; n < 5000; n++) {
                var id = selectedOnly ? 'b0' : 'b' + (n % 101);
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
    const char* labels[] = {"all 101 vehicles", "selected vehicle"};
    for (int selected = 0; selected < 2; ++selected) {
        const QVariantList r =
            page.eval(QString::fromUtf8(measure) + (selected ? "(true)" : "(false)"), 600000)
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
