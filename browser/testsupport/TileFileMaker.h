#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <vector>

namespace corvane::test {

// MBTiles and PMTiles files and tiles drawn with Qt, for the tests and benchmarks of the
// tile scheme.
//
// Static functions; any thread that may use QImage.
// Throws: only std::bad_alloc; write() returns false when SQLite refuses.
class TileFileMaker
{
public:
    struct Tile
    {
        int z;
        int x;
        int y; // counted from the north; stored as the file's TMS row
        QByteArray bytes;
    };

    // A raster png MBTiles file holding tiles.
    static bool write(const QString& path, const std::vector<Tile>& tiles);
    // The same tiles as a PMTiles file, its directory gzip-compressed.
    static bool writePMTiles(const QString& path, const std::vector<Tile>& tiles);

    // A 256 px square of one colour, as PNG.
    static QByteArray plainTile(QColor colour);
    // Four 128 px quadrants: top left, top right, bottom left, bottom right.
    static QByteArray quadrantTile(const QColor (&colours)[4]);
};

} // namespace corvane::test
