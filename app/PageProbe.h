#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

class QWebEnginePage;

namespace corvane {

// A measuring probe in the map page, for benchmarks that run the station as
// its own process. It is off unless the environment names a file in
// CORVANE_PAGE_PROBE; then the page notes when each position of one vehicle
// (CORVANE_PAGE_PROBE_VEHICLE, its identifier text) reached it, whether by
// moveTo or as a track point, and counts every moveTo it runs. The time is
// the system's wall clock in milliseconds (Date.now()), the clock another
// process on the machine reads too, so a sender can time a datagram to the
// page with one clock. It also notes how many vehicles the page holds (listed,
// deleted ones among them) and when an insertVehicle last changed that count.
// Twice a second the notes are appended to the file as lines "<ms since the
// epoch> <latitude>", when the count changed one line "held <ms since the
// epoch> <vehicles>", and one line "moves <count so far>".
//
// The probe costs the page one comparison per call and the station one small
// script every half second; without the variable nothing of it runs.
//
// Ownership: borrows the page, which must outlive the probe. Threads: GUI
// thread only. Throws: std::bad_alloc only; a file that cannot be written
// loses the notes silently.
class PageProbe : public QObject
{
public:
    // A probe for the page when the environment asks for one, else null.
    static std::unique_ptr<PageProbe> fromEnvironment(QWebEnginePage& page);

    PageProbe(QWebEnginePage& page, std::string file, std::string vehicleId);

    // Hooks the page's functions; call once the page has loaded (again after
    // a reload).
    void install();

private:
    void drain();

    QWebEnginePage& m_page;
    std::string m_file;
    std::string m_vehicleId;
    QTimer m_timer;
};

} // namespace corvane
