#include "app/MultiMonitor.h"

#include <QGuiApplication>
#include <QScreen>
#include <limits>

namespace corvane {

namespace {

// Squared distance from a point to a rectangle (0 inside it).
long long distanceSquared(const QRect& area, const QPoint& point)
{
    const long long dx = point.x() < area.left()    ? area.left() - point.x()
                         : point.x() > area.right() ? point.x() - area.right()
                                                    : 0;
    const long long dy = point.y() < area.top()      ? area.top() - point.y()
                         : point.y() > area.bottom() ? point.y() - area.bottom()
                                                     : 0;
    return dx * dx + dy * dy;
}

} // namespace

QScreen* MultiMonitor::monitorOf(const QRect& window)
{
    QScreen* best = nullptr;
    long long bestOverlap = 0;
    long long nearest = std::numeric_limits<long long>::max();
    QScreen* nearestScreen = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->geometry().intersected(window);
        const long long area = overlap.isEmpty() ? 0 : 1LL * overlap.width() * overlap.height();
        if (area > bestOverlap) {
            bestOverlap = area;
            best = screen;
        }
        const long long distance = distanceSquared(screen->geometry(), window.center());
        if (distance < nearest) {
            nearest = distance;
            nearestScreen = screen;
        }
    }
    if (best != nullptr)
        return best;
    return nearestScreen != nullptr ? nearestScreen : QGuiApplication::primaryScreen();
}

bool MultiMonitor::isSupported(const QScreen* monitor)
{
    if (monitor == nullptr)
        return false;
    const QRect full = monitor->geometry();
    return full.width() >= minimumWidth && full.height() >= minimumHeight;
}

} // namespace corvane
