#include "browser/testsupport/TileFileMaker.h"

#include "testsupport/PMTilesWriter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <sqlite3.h>

namespace corvane::test {

namespace {

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

bool TileFileMaker::write(const QString& path, const std::vector<Tile>& tiles)
{
    sqlite3* handle = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &handle) != SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    bool written = sqlite3_exec(handle,
                                "CREATE TABLE metadata (name TEXT, value TEXT);"
                                "INSERT INTO metadata VALUES ('format', 'png');"
                                "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                                "tile_row INTEGER, tile_data BLOB);"
                                "CREATE UNIQUE INDEX tile_index ON tiles "
                                "(zoom_level, tile_column, tile_row); BEGIN",
                                nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    written = written && sqlite3_prepare_v2(handle, "INSERT INTO tiles VALUES (?1, ?2, ?3, ?4)", -1,
                                            &insert, nullptr) == SQLITE_OK;
    for (const Tile& tile : tiles) {
        if (!written)
            break;
        sqlite3_bind_int(insert, 1, tile.z);
        sqlite3_bind_int(insert, 2, tile.x);
        sqlite3_bind_int(insert, 3, (1 << tile.z) - 1 - tile.y);
        sqlite3_bind_blob(insert, 4, tile.bytes.constData(), int(tile.bytes.size()),
                          SQLITE_TRANSIENT);
        written = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    written = written && sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(handle);
    return written;
}

bool TileFileMaker::writePMTiles(const QString& path, const std::vector<Tile>& tiles)
{
    std::vector<PMTilesWriter::Tile> written;
    for (const Tile& tile : tiles)
        written.push_back({tile.z, std::uint32_t(tile.x), std::uint32_t(tile.y),
                           std::vector<std::uint8_t>(tile.bytes.begin(), tile.bytes.end())});
    return PMTilesWriter::write(path.toStdString(), written, {true, false});
}

QByteArray TileFileMaker::plainTile(QColor colour)
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    return png(image);
}

QByteArray TileFileMaker::quadrantTile(const QColor (&colours)[4])
{
    QImage image(256, 256, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int i = 0; i < 4; ++i)
        painter.fillRect((i % 2) * 128, (i / 2) * 128, 128, 128, colours[i]);
    painter.end();
    return png(image);
}

} // namespace corvane::test
