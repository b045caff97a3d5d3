#include "data/TileFile.h"

#include "data/DatabaseException.h"
#include "data/MBTilesFile.h"
#include "data/PMTilesFile.h"

#include <cstring>
#include <fstream>
#include <sqlite3.h>

namespace corvane {

std::unique_ptr<TileFile> TileFile::open(const std::string& utf8Path)
{
    char signature[sizeof PMTilesFile::signature - 1] = {};
    std::ifstream file(utf8Path, std::ios::binary);
    if (file.read(signature, sizeof signature) &&
        std::memcmp(signature, PMTilesFile::signature, sizeof signature) == 0)
        return std::make_unique<PMTilesFile>(utf8Path);
    return std::make_unique<MBTilesFile>(utf8Path);
}

void TileFile::refuse(const char* kind, const std::string& reason) const
{
    const std::string message = m_path + " is not a readable " + kind + " file: " + reason;
    // Both kinds are refused alike, so that a caller handles one failure.
    CORVANE_THROW(DatabaseException, SQLITE_CORRUPT, message.c_str());
}

bool TileFile::isTile(int z, int x, int y) noexcept
{
    if (z < 0 || z > 30)
        return false;
    const std::int64_t side = std::int64_t(1) << z;
    return x >= 0 && y >= 0 && x < side && y < side;
}

void TileFile::setBounds(double west, double south, double east, double north) noexcept
{
    if (!(west < east && south < north))
        return;
    m_bounds[0] = west;
    m_bounds[1] = south;
    m_bounds[2] = east;
    m_bounds[3] = north;
}

} // namespace corvane
