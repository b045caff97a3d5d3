#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "testsupport/TempFolder.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

class StatementTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        // Once in memory, once in a real file.
        db.open(GetParam() ? folder.file("test.db").c_str() : ":memory:", 5000);
        db.execute("CREATE TABLE t(n INTEGER, s TEXT, b BLOB);");
    }

    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        RowSet rows(db,
                    "SELECT coalesce(s, '') || '|' || coalesce(hex(b), '') FROM t ORDER BY rowid;");
        while (rows.next())
            out.emplace_back(rows.getText(0));
        return out;
    }

    TempFolder folder;
    Database db;
};

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, StatementTest, ::testing::Bool());

TEST_P(StatementTest, RefusedBindRaisesAndKeepsTheStatement)
{
    struct Case
    {
        const char* what;
        std::function<void(Statement&)> bind;
        int code;
        const char* message;
    };
    const int bytes = 7;
    const Case cases[] = {
        {"missing name", [](Statement& s) { s.bindText(":missing", "x"); }, SQLITE_RANGE,
         "no parameter named :missing"},
        {"missing name, no copy", [](Statement& s) { s.bindTextNoCopy(":nope", "x"); },
         SQLITE_RANGE, "no parameter named :nope"},
        {"name without its colon", [](Statement& s) { s.bindInt("n", 1); }, SQLITE_RANGE,
         "no parameter named n"},
        {"index 0", [](Statement& s) { s.bindInt(0, 1); }, SQLITE_RANGE,
         "cannot bind parameter 0: column index out of range"},
        {"index past the last", [&](Statement& s) { s.bindBlob(4, &bytes, sizeof bytes); },
         SQLITE_RANGE, "cannot bind parameter 4: column index out of range"},
        {"64-bit past the last", [](Statement& s) { s.bindInt64(4, 1); }, SQLITE_RANGE,
         "cannot bind parameter 4: column index out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Statement statement(db, "INSERT INTO t VALUES (:n, :s, :b);");
        statement.bindText(":s", "kept");
        try {
            c.bind(statement);
            ADD_FAILURE() << "no exception";
        } catch (const DatabaseException& e) {
            EXPECT_EQ(e.getCode(), c.code);
            EXPECT_STREQ(e.getMessage(), c.message);
        }
        // The refusal changed nothing: the statement runs with what was bound.
        ASSERT_TRUE(statement.isPrepared());
        statement.execute();
    }
    EXPECT_EQ(texts(), std::vector<std::string>(std::size(cases), "kept|"));
}

TEST_P(StatementTest, DefaultBindersCopyTemporaries)
{
    Statement statement(db, "INSERT INTO t VALUES (?, ?, ?);");
    statement.bindInt(1, 1);
    statement.bindText(2, std::string(300, 'a').append("end").c_str());
    statement.bindBlob(3, std::string("\x01\x02\x03").data(), 3);
    // Reuse the freed heap before the statement runs.
    std::vector<std::string> noise(16, std::string(303, 'z'));
    statement.execute();
    EXPECT_EQ(texts(), std::vector<std::string>{std::string(300, 'a') + "end|010203"});
}

TEST_P(StatementTest, SixtyFourBitIntegersKeepEveryBit)
{
    Statement statement(db, "INSERT INTO t (n) VALUES (?);");
    for (std::int64_t n : {INT64_MIN, std::int64_t{-1} << 40, std::int64_t{1} << 32, INT64_MAX}) {
        statement.bindInt64(1, n);
        statement.execute();
        statement.reset();
    }
    std::vector<std::string> stored;
    RowSet rows(db, "SELECT n FROM t ORDER BY rowid;");
    while (rows.next())
        stored.emplace_back(rows.getText(0));
    EXPECT_EQ(stored, (std::vector<std::string>{"-9223372036854775808", "-1099511627776",
                                                "4294967296", "9223372036854775807"}));
}

TEST_P(StatementTest, NoCopyBindersReadTheCallersText)
{
    const std::string text = "in place";
    const unsigned char bytes[] = {0xff, 0x00, 0x10};
    Statement statement(db, "INSERT INTO t VALUES (:n, :s, :b);");
    statement.bindTextNoCopy(":s", text.c_str());
    statement.bindBlobNoCopy(":b", bytes, sizeof bytes);
    statement.execute();
    EXPECT_EQ(texts(), std::vector<std::string>{"in place|FF0010"});
}

TEST_P(StatementTest, FailedPrepareLeavesNoStatement)
{
    Statement statement(db, "INSERT INTO t(n) VALUES (1);");
    EXPECT_THROW(statement.prepare("INSERT INTO missing VALUES (1);"), DatabaseException);
    EXPECT_FALSE(statement.isPrepared());
    try {
        statement.bindInt(1, 1);
        ADD_FAILURE() << "no exception";
    } catch (const DatabaseException& e) {
        EXPECT_EQ(e.getCode(), SQLITE_MISUSE);
        EXPECT_STREQ(e.getMessage(), "no statement prepared");
    }
    // The object prepares again after the failure.
    statement.prepare("INSERT INTO t(n) VALUES (2);");
    statement.execute();
    RowSet rows(db, "SELECT count(*), max(n) FROM t;");
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.getInt(0), 1);
    EXPECT_EQ(rows.getInt(1), 2);
}

// Another connection changes the schema between compiling and running: the
// statement is compiled again rather than failing with a schema error.
TEST(StatementFileTest, SchemaChangedByAnotherConnectionRecompiles)
{
    TempFolder folder;
    Database db;
    Database other;
    db.open(folder.file("app.db").c_str(), 5000);
    other.open(folder.file("app.db").c_str(), 5000);
    db.execute("CREATE TABLE t(n INTEGER);");

    Statement insert(db, "INSERT INTO t(n) VALUES (:n);");
    insert.bindInt(":n", 5);
    RowSet rows(db, "SELECT n FROM t;");
    other.execute("CREATE TABLE later(x); CREATE INDEX tn ON t(n);");
    insert.execute();
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.getInt(0), 5);
    EXPECT_FALSE(rows.next());
}

} // namespace
} // namespace corvane
