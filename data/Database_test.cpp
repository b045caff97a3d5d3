#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "testsupport/TempFolder.h"
#include "data/Transaction.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace corvane {
namespace {

class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { db.open(folder.file("test.db").c_str(), 5000); }

    int count(const char* sql)
    {
        RowSet rows(db, sql);
        return rows.next() ? rows.getInt(0) : -1;
    }

    TempFolder folder;
    Database db;
};

TEST(FormatableSQLTest, QuotesAndNeverCuts)
{
    FormatableSQL empty;
    EXPECT_EQ(empty.getText(), nullptr);

    struct Case
    {
        const char* value;
        std::string expected;
    };
    const std::string longValue(10000, 'x');
    const Case cases[] = {
        {"O'Brien", "'O''Brien'"},
        {"''", "''''''"},
        {"50%off", "'50%off'"},
        {longValue.c_str(), "'" + longValue + "'"},
    };
    for (const Case& c : cases) {
        FormatableSQL sql("'%q'", c.value);
        EXPECT_EQ(std::string(sql.getText()), c.expected);
    }
    // Formatting again replaces the text.
    FormatableSQL sql("%d", 1);
    sql.format("%s-%d", "a", 2);
    EXPECT_STREQ(sql.getText(), "a-2");
}

TEST_F(DatabaseTest, RowSetStepsThroughEveryRowThenEnds)
{
    db.execute("CREATE TABLE t(n INTEGER, s TEXT); INSERT INTO t VALUES (1,'a'),(2,NULL),(3,'c');");
    RowSet none(db, "SELECT * FROM t WHERE n > 10;");
    EXPECT_FALSE(none.next());

    RowSet rows(db, "SELECT n, s FROM t ORDER BY n;");
    EXPECT_EQ(rows.getColumnCount(), 2);
    EXPECT_STREQ(rows.getColumnName(1), "s");
    std::vector<int> seen;
    while (rows.next())
        seen.push_back(rows.getInt(0));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));

    RowSet nulls(db, "SELECT s FROM t WHERE n = 2;");
    ASSERT_TRUE(nulls.next());
    EXPECT_EQ(nulls.getText(0), nullptr);
}

TEST_F(DatabaseTest, FailuresCarrySqliteCodeAndMessage)
{
    db.execute("CREATE TABLE t(n INTEGER UNIQUE);");
    struct Case
    {
        const char* what;
        std::function<void()> run;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"syntax", [&] { db.execute("SELEC 1;"); }, SQLITE_ERROR, "near \"SELEC\": syntax error"},
        {"nested begin",
         [&] {
             db.execute("BEGIN;");
             db.execute("BEGIN;");
         },
         SQLITE_ERROR, "cannot start a transaction within a transaction"},
        {"query of missing table", [&] { RowSet rows(db, "SELECT * FROM missing;"); }, SQLITE_ERROR,
         "no such table: missing"},
        {"statement returning a row",
         [&] {
             Statement statement(db, "SELECT 1;");
             statement.execute();
         },
         SQLITE_OK, "not an error"},
        {"constraint",
         [&] {
             db.execute("INSERT INTO t VALUES (1);");
             Statement statement(db, "INSERT INTO t VALUES (1);");
             statement.execute();
         },
         SQLITE_CONSTRAINT, "UNIQUE constraint failed: t.n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.run();
            ADD_FAILURE() << "no exception";
        } catch (const DatabaseException& e) {
            EXPECT_STREQ(e.getName(), "DatabaseException");
            EXPECT_EQ(e.getCode(), c.code);
            EXPECT_STREQ(e.getMessage(), c.message);
        }
    }
}

TEST_F(DatabaseTest, ExceptionKeepsMessageAfterConnectionMovesOn)
{
    try {
        db.execute("SELECT * FROM nowhere;");
        FAIL();
    } catch (const DatabaseException& e) {
        DatabaseException copy = e;
        db.execute("CREATE TABLE later(x);");
        db.close();
        EXPECT_STREQ(copy.getMessage(), "no such table: nowhere");
        EXPECT_EQ(copy.getCode(), SQLITE_ERROR);
    }
}

// A stop flag ends a long statement, and one set between statements still
// stops the next; without the flag the same statement runs to its end.
TEST_F(DatabaseTest, StopFlagInterruptsStatementsUntilUnwatched)
{
    const char* longCount = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < 2000000) SELECT count(*) FROM n;";
    std::atomic<bool> stop{true};
    db.interruptWhen(&stop);
    try {
        count(longCount);
        ADD_FAILURE() << "no interrupt";
    } catch (const DatabaseException& e) {
        EXPECT_EQ(e.getCode(), SQLITE_INTERRUPT);
    }
    EXPECT_THROW(db.execute("CREATE TABLE t(x); INSERT INTO t SELECT value FROM "
                            "(WITH RECURSIVE v(value) AS (SELECT 1 UNION ALL SELECT value + 1 "
                            "FROM v WHERE value < 100000) SELECT value FROM v);"),
                 DatabaseException);
    stop = false;
    EXPECT_EQ(count(longCount), 2000000);
    stop = true;
    db.interruptWhen(nullptr);
    EXPECT_EQ(count(longCount), 2000000);
}

TEST(DatabaseOpenTest, MissingFolderRaisesCantOpen)
{
    TempFolder folder;
    Database db;
    try {
        db.open((folder.path() / "no" / "such" / "app.db").c_str(), 5000);
        FAIL();
    } catch (const DatabaseException& e) {
        EXPECT_EQ(e.getCode(), SQLITE_CANTOPEN);
        EXPECT_STREQ(e.getMessage(), "unable to open database file");
    }
    // The failed handle stays readable until the next open or close.
    EXPECT_NE(db.getHandle(), nullptr);
    db.open(folder.file("ok.db").c_str(), 0);
    db.execute("CREATE TABLE t(x);");
    db.close();
    EXPECT_EQ(db.getHandle(), nullptr);
}

// A new file and its journal are the owner's alone, whatever the umask; a
// file that already exists keeps the mode its owner gave it.
TEST(DatabaseOpenTest, NewFilesAreReadableByTheOwnerOnly)
{
    TempFolder folder;
    const mode_t oldMask = ::umask(0);
    const std::string fresh = folder.file("app.db");
    const std::string existing = folder.file("shared.db");
    {
        std::ofstream touch(existing);
    }
    ::chmod(existing.c_str(), 0640);
    Database db;
    db.open(fresh.c_str(), 0);
    db.execute("PRAGMA journal_mode=PERSIST; CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    Database other;
    other.open(existing.c_str(), 0);
    other.execute("CREATE TABLE t(x);");
    ::umask(oldMask);
    const auto mode = [](const std::string& path) {
        struct stat info{};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 0777;
    };
    EXPECT_EQ(mode(fresh), 0600u);
    EXPECT_EQ(mode(fresh + "-journal"), 0600u);
    EXPECT_EQ(mode(existing), 0640u);
}

TEST_F(DatabaseTest, ListTablesNamesTablesViewsAndTemporariesSorted)
{
    std::vector<std::string> names;
    db.listTables(names);
    EXPECT_TRUE(names.empty());

    db.execute("CREATE TABLE zeta(x); CREATE VIEW alpha AS SELECT 1; CREATE INDEX zi ON zeta(x);"
               "CREATE TEMP TABLE mid(y); CREATE TABLE t2(id INTEGER PRIMARY KEY AUTOINCREMENT);");
    db.listTables(names);
    // sqlite_sequence (made by AUTOINCREMENT) and indexes are left out; the
    // temporary table is sorted in with the others.
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "mid", "t2", "zeta"}));
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted)
{
    db.execute("CREATE TABLE t(n);");
    {
        Transaction transaction(db);
        db.execute("INSERT INTO t VALUES (1);");
        EXPECT_TRUE(db.inTransaction());
    }
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(count("SELECT COUNT(*) FROM t;"), 0);
    {
        Transaction transaction(db);
        db.execute("INSERT INTO t VALUES (2);");
        transaction.commit();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM t;"), 1);
}

} // namespace
} // namespace corvane
