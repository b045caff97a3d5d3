#include "data/Transaction.h"

#include "data/Database.h"
#include "data/DatabaseException.h"

#include <sqlite3.h>

namespace corvane {

Transaction::Transaction(Database& database) : m_database(database)
{
    m_database.execute("BEGIN;");
}

Transaction::~Transaction()
{
    rollback();
}

void Transaction::commit()
{
    m_database.execute("COMMIT;");
    m_open = false;
}

void Transaction::rollback() noexcept
{
    if (!m_open)
        return;
    m_open = false;
    if (m_database.inTransaction())
        sqlite3_exec(m_database.getHandle(), "ROLLBACK;", nullptr, nullptr, nullptr);
}

} // namespace corvane
