#include "app/PageProbe.h"

#include "browser/scriptcalls/ScriptLiteral.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace corvane {

namespace {

constexpr int drainPeriodMs = 500;

// Wraps moveTo and addTrackPoints; the notes are a flat list of time and
// latitude pairs.
const char hookScript[] = R"js(
(function (probe) {
    if (window.corvaneProbe) { return; }
    window.corvaneProbe = { notes: [], moves: 0 };
    var move = moveTo;
    moveTo = function (lat, lng, speed, h, m, s, course, id) {
        corvaneProbe.moves++;
        if (id === probe) { corvaneProbe.notes.push(Date.now(), Number(lat)); }
        return move.apply(this, arguments);
    };
    if (typeof addTrackPoints === 'function') {
        var add = addTrackPoints;
        addTrackPoints = function (id, coordinates) {
            if (id === probe) {
                var now = Date.now();
                for (var i = 0; i + 1 < coordinates.length; i += 2) {
                    corvaneProbe.notes.push(now, Number(coordinates[i]));
                }
            }
            return add.apply(this, arguments);
        };
    }
})
)js";

const char takeScript[] = "(function () { var p = window.corvaneProbe; if (!p) { return null; }"
                          " var n = p.notes; p.notes = []; return [p.moves, n]; })()";

} // namespace

std::unique_ptr<PageProbe> PageProbe::fromEnvironment(QWebEnginePage& page)
{
    const char* file = std::getenv("CORVANE_PAGE_PROBE");
    const char* vehicle = std::getenv("CORVANE_PAGE_PROBE_VEHICLE");
    if (file == nullptr || *file == '\0')
        return nullptr;
    return std::make_unique<PageProbe>(page, file, vehicle != nullptr ? vehicle : "");
}

PageProbe::PageProbe(QWebEnginePage& page, std::string file, std::string vehicleId)
    : m_page(page), m_file(std::move(file)), m_vehicleId(std::move(vehicleId))
{
    m_timer.setInterval(drainPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &PageProbe::drain);
}

void PageProbe::install()
{
    std::string script = hookScript;
    script += '(';
    ScriptLiteral::appendQuoted(script, m_vehicleId);
    script += ");";
    m_page.runJavaScript(QString::fromStdString(script));
    m_timer.start();
}

void PageProbe::drain()
{
    QPointer<PageProbe> self(this);
    m_page.runJavaScript(QString::fromLatin1(takeScript), [self](const QVariant& result) {
        if (self == nullptr || !result.isValid() || result.isNull())
            return;
        const QVariantList taken = result.toList();
        if (taken.size() != 2)
            return;
        std::ofstream out(self->m_file, std::ios::app);
        const QVariantList notes = taken[1].toList();
        char line[64];
        for (qsizetype i = 0; i + 1 < notes.size(); i += 2) {
            std::snprintf(line, sizeof line, "%.0f %.6f\n", notes[i].toDouble(),
                          notes[i + 1].toDouble());
            out << line;
        }
        out << "moves " << taken[0].toLongLong() << '\n';
    });
}

} // namespace corvane
