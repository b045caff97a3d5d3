#include "browser/RestartPause.h"

#include <algorithm>

namespace corvane {

void RestartPause::loaded(Clock::time_point now) noexcept
{
    m_loaded = true;
    m_loadedAt = now;
}

std::chrono::milliseconds RestartPause::ended(Clock::time_point now) noexcept
{
    // An end while loading (no page since the last end) is in a row as well.
    if (m_loaded && now - m_loadedAt >= stableFor)
        m_inARow = 0;
    m_loaded = false;
    ++m_inARow;
    if (m_inARow == 1)
        return std::chrono::milliseconds{0};
    // Doubling from the first pause; the shift is capped long before overflow.
    const int doublings = std::min(m_inARow - 2, 16);
    return std::min<std::chrono::milliseconds>(maxPause, firstPause * (1 << doublings));
}

} // namespace corvane
