#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <memory>

namespace corvane {

// Hosts the assembled map page in a headless web view for tests and benchmarks, the way
// the station does: setHtml with the start-up folder as base address, and a stand-in for
// the native extension that records every call the page makes.
//
// Owns its view and page. GUI thread only. Needs a QApplication that outlives every
// harness and is destroyed before the process exits: the web engine shuts its threads
// down only then, and a process that leaves its application alive at exit corrupts the
// heap on the way out now and then.
class PageHarness
{
public:
    PageHarness();
    ~PageHarness();

    // Loads the page at width × height pixels; false when it did not finish loading
    // within the deadline.
    bool load(int width = 900, int height = 600);

    // Runs script in the page's main frame and waits for its result (invalid when it did
    // not come within the deadline).
    QVariant eval(const QString& script, int deadlineMs = 10000);

    // Pumps events until condition holds or deadlineMs passes; returns the condition.
    bool waitFor(const std::function<bool()>& condition, int deadlineMs = 5000);

    // The extension calls recorded so far, each as "name|arg|arg…"; clears them.
    QStringList takeCalls();

    // The texts of alert() calls so far; clears them.
    QStringList takeAlerts();

    // The centre of the first element that matches selector, in view coordinates.
    QPoint centreOf(const QString& selector);
    // Where the marker layer draws a vehicle's marker now, in the view; (-1, -1) when it
    // draws none.
    QPoint markerCentre(const QString& vehicleId);

    // Mouse clicks delivered through the view like an operator's.
    void click(QPoint at, Qt::MouseButton button);

    QWebEngineView& view() { return *m_view; }

private:
    class RecordingPage;
    std::unique_ptr<QWebEngineView> m_view;
    RecordingPage* m_page = nullptr; // owned by m_view
};

} // namespace corvane
