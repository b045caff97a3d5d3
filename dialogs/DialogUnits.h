#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QSize>

namespace corvane {

// Converts the dialog units in which the station's dialogs were laid out into
// pixels of a font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
//
// Ownership: a plain value. Threads: the GUI thread. Throws: never.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const QString alphabet =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
        m_baseY = metrics.height();
    }

    int x(int units) const noexcept { return units * m_baseX / 4; }
    int y(int units) const noexcept { return units * m_baseY / 8; }
    QSize size(int width, int height) const noexcept { return {x(width), y(height)}; }

private:
    int m_baseX = 0;
    int m_baseY = 0;
};

// The dialogs' font: the system's sans-serif face at 9 points.
QFont dialogFont(const QFont& base);

} // namespace corvane
