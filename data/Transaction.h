#pragma once

namespace corvane {

class Database;

// An explicit transaction that cannot be left open: "BEGIN;" at construction,
// "COMMIT;" on commit(), and "ROLLBACK;" at destruction when it was neither
// committed nor already ended by SQLite itself (some errors roll back on
// their own).
//
// Ownership: borrows the Database, which must outlive it.
// Threads: the thread that uses the Database.
// Throws: DatabaseException from the constructor and commit(); a failed
// commit leaves the transaction open, so it may be tried again, and the
// destructor still rolls it back. The destructor never throws.
class Transaction
{
public:
    explicit Transaction(Database& database);
    ~Transaction();

    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();
    // Ends the transaction now, discarding its changes; never throws.
    void rollback() noexcept;

private:
    Database& m_database;
    bool m_open = true;
};

} // namespace corvane
