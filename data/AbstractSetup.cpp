#include "data/AbstractSetup.h"

#include "data/SettingRule.h"

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

AbstractSetup::Checked AbstractSetup::getChecked(const SettingRule& rule)
{
    std::lock_guard lock(m_mutex);
    std::optional<std::string> stored = m_database.findText(rule.key);
    if (!stored) {
        m_database.insertInt(rule.key, rule.defaultValue, false);
        return {rule.defaultValue, std::nullopt};
    }
    if (const std::optional<int> value = rule.read(*stored))
        return {*value, std::nullopt};
    return {rule.defaultValue, std::move(stored)};
}

void AbstractSetup::close()
{
    std::lock_guard lock(m_mutex);
    m_database.close();
}

} // namespace corvane
