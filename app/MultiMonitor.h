#pragma once

#include <QRect>

class QScreen;

namespace corvane {

// The monitors of the desktop, as the main window's screen check needs them.
//
// Threads: GUI thread only (the toolkit's screen list lives there).
// Throws: never.
class MultiMonitor
{
public:
    static constexpr int minimumWidth = 1024;
    static constexpr int minimumHeight = 620;

    // The monitor that holds most of window, else the nearest one, else the
    // primary monitor; null when there is no monitor at all.
    static QScreen* monitorOf(const QRect& window);

    // Whether a monitor's full rectangle (not its work area) is large enough
    // for the station: at least 1024 x 620 pixels.
    static bool isSupported(const QScreen* monitor);
};

} // namespace corvane
