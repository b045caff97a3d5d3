#include "data/AbstractSetup.h"

#include <filesystem>
#include <system_error>

namespace corvane {

namespace {

constexpr int busyTimeoutMs = 5000;

} // namespace

AbstractSetup::~AbstractSetup()
{
    m_database.close();
}

void AbstractSetup::open(const std::string& path)
{
    // A folder that does not exist is not an error here: the open below
    // then fails with SQLite's own error, which callers already handle.
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    m_database.open(path.c_str(), busyTimeoutMs);
    onOpened(m_database);
    if (!existed)
        initialize(m_database);
}

int AbstractSetup::getInt(const char* key, int defaultValue)
{
    std::lock_guard lock(m_mutex);
    return m_database.getInt(key, defaultValue);
}

void AbstractSetup::close()
{
    std::lock_guard lock(m_mutex);
    m_database.close();
}

} // namespace corvane
