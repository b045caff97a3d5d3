#include "data/Database.h"

#include "data/DatabaseException.h"
#include "data/RowSet.h"

#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace corvane {

namespace {

// SQLite's allocation statistics take a process-wide mutex on every
// allocation; nothing here reads them. Only possible before SQLite starts.
const bool g_configured = [] {
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return true;
}();

// The files hold drivers' names and where the fleet has been: a file that
// does not exist yet is made readable by its owner only (SQLite would make it
// 0644 less the umask). SQLite gives journals the mode of their database.
void createPrivately(const char* utf8Path)
{
    if (utf8Path == nullptr || *utf8Path == '\0' || std::strcmp(utf8Path, ":memory:") == 0 ||
        std::strncmp(utf8Path, "file:", 5) == 0)
        return;
    const int fd = ::open(utf8Path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    // Any failure (it exists, the folder is missing or read-only) is left to
    // SQLite's own open, which reports it.
    if (fd >= 0)
        ::close(fd);
}

} // namespace

Database::~Database()
{
    close();
}

void Database::open(const char* utf8Path, int busyTimeoutMs)
{
    close();
    // Owners serialise every use of a connection with their own mutex, so
    // SQLite's per-connection locking is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    createPrivately(utf8Path);
    if (sqlite3_open_v2(utf8Path, &m_handle, flags, nullptr) != SQLITE_OK)
        CORVANE_THROW_DATABASE(m_handle);
    if (busyTimeoutMs > 0)
        sqlite3_busy_timeout(m_handle, busyTimeoutMs);
}

void Database::close() noexcept
{
    if (m_handle == nullptr)
        return;
    // The _v2 form defers the close while statements are still alive
    // instead of failing and leaking the connection.
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

void Database::execute(const char* sql)
{
    if (sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        CORVANE_THROW_DATABASE(m_handle);
}

void Database::listTables(std::vector<std::string>& names)
{
    RowSet rows(*this, "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name "
                       "NOT LIKE 'sqlite_%' UNION ALL SELECT name FROM sqlite_temp_master WHERE "
                       "type IN ('table','view') ORDER BY 1;");
    while (rows.next()) {
        const char* name = rows.getText(0);
        names.emplace_back(name != nullptr ? name : "");
    }
}

void Database::interruptWhen(const std::atomic<bool>* stop) noexcept
{
    // Virtual machine steps between two looks at the flag.
    constexpr int steps = 1000;
    const auto stopped = [](void* flag) {
        return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
    };
    sqlite3_progress_handler(m_handle, stop != nullptr ? steps : 0,
                             stop != nullptr ? +stopped : nullptr,
                             const_cast<std::atomic<bool>*>(stop));
}

int Database::getChanges() const noexcept
{
    return m_handle != nullptr ? sqlite3_changes(m_handle) : 0;
}

bool Database::inTransaction() const noexcept
{
    return m_handle != nullptr && sqlite3_get_autocommit(m_handle) == 0;
}

} // namespace corvane
