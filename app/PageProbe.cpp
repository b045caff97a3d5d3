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
// latitude pairs. Wraps insertVehicle too, to note when the count of vehicles
// the page holds last changed: a length read per call, as a whole fleet
// inserted in one script must not cost the page a search per vehicle.
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
    if (typeof insertVehicle === 'function' && typeof vehicleInfoContainer !== 'undefined') {
        var insert = insertVehicle;
        insertVehicle = function () {
            var result = insert.apply(this, arguments);
            if (vehicleInfoContainer.length !== corvaneProbe.held) {
                corvaneProbe.held = vehicleInfoContainer.length;
                corvaneProbe.heldAt = Date.now();
            }
            return result;
        };
    }
})
)js";

// [moves, notes, and while new since the last take: [vehicles held, since when]].
const char takeScript[] = "(function () { var p = window.corvaneProbe; if (!p) { return null; }"
                          " var n = p.notes; p.notes = [];"
                          " var h = p.heldAt !== p.heldTaken ? [p.held, p.heldAt] : null;"
                          " p.heldTaken = p.heldAt; return [p.moves, n, h]; })()";

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
        if (taken.size() != 3)
            return;
        std::ofstream out(self->m_file, std::ios::app);
        const QVariantList notes = taken[1].toList();
        char line[64];
        for (qsizetype i = 0; i + 1 < notes.size(); i += 2) {
            std::snprintf(line, sizeof line, "%.0f %.6f\n", notes[i].toDouble(),
                          notes[i + 1].toDouble());
            out << line;
        }
        const QVariantList held = taken[2].toList();
        if (held.size() == 2) {
            std::snprintf(line, sizeof line, "held %.0f %lld\n", held[1].toDouble(),
                          held[0].toLongLong());
            out << line;
        }
        out << "moves " << taken[0].toLongLong() << '\n';
    });
}

} // namespace corvane
