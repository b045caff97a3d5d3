#include "data/DatabaseException.h"
#include "data/RowSet.h"
#include "data/SetupDatabase.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Collects the text of every statement the connection runs.
int collect(unsigned, void* context, void* statement, void*)
{
    const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    static_cast<std::vector<std::string>*>(context)->push_back(sql != nullptr ? sql : "");
    return 0;
}

class SetupDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(db.open(folder.file("setup.db").c_str(), 5000)); }

    void traceStatements()
    {
        sqlite3_trace_v2(db.getHandle(), SQLITE_TRACE_STMT, collect, &statements);
    }

    int rowCount()
    {
        RowSet rows(db, "SELECT COUNT(*) FROM setup;");
        return rows.next() ? rows.getInt(0) : -1;
    }

    std::string typeOf(const char* key)
    {
        RowSet rows(
            db, (std::string("SELECT typeof(value) FROM setup WHERE key='") + key + "';").c_str());
        return rows.next() ? rows.getText(0) : "missing";
    }

    TempFolder folder;
    SetupDatabase db;
    std::vector<std::string> statements;
};

TEST_F(SetupDatabaseTest, ReadsInsertTheirDefaultOnceAndKeysIgnoreCase)
{
    EXPECT_EQ(db.getInt("setup/TimeoutDuration", 10), 10);
    EXPECT_EQ(db.getInt("setup/TimeoutDuration", 99), 10); // stored value wins
    EXPECT_EQ(db.getInt("SETUP/TIMEOUTDURATION", 5), 10);  // one key, any case
    EXPECT_TRUE(db.getBool("flag", true));
    EXPECT_TRUE(db.getBool("Flag", false)); // the key "flag", stored true
    EXPECT_EQ(db.getString("name", "it's"), "it's");
    EXPECT_EQ(db.getString("NAME", "other"), "it's");
    EXPECT_EQ(rowCount(), 3);
    EXPECT_EQ(typeOf("setup/TimeoutDuration"), "integer");
    EXPECT_EQ(typeOf("name"), "text");

    db.setString("text", "abc");
    EXPECT_EQ(db.getInt("text", 7), 0); // text that is no number reads as 0
    EXPECT_EQ(db.getInt("it's", 3), 3); // a key cannot end its literal
    EXPECT_EQ(db.getInt("IT'S", 4), 3);
}

TEST_F(SetupDatabaseTest, WritesUpdateOrInsertEvenWithTheSameValue)
{
    traceStatements();
    db.setInt("setup/Port", 10111); // missing: update changes nothing, insert follows
    db.setInt("setup/Port", 10111); // present: update alone, though the value is the same
    db.setInt("SETUP/PORT", 2000);
    EXPECT_EQ(db.getInt("setup/Port", 0), 2000);
    const std::vector<std::string> expected = {
        "UPDATE setup SET value=10111 WHERE key='setup/Port'",
        "INSERT  INTO setup VALUES ('setup/Port', 10111)",
        "UPDATE setup SET value=10111 WHERE key='setup/Port'",
        "UPDATE setup SET value=2000 WHERE key='SETUP/PORT'",
        "SELECT value FROM setup WHERE key='setup/Port';",
    };
    EXPECT_EQ(statements, expected);
    EXPECT_EQ(rowCount(), 1);

    db.setString("setup/Company", "O'Brien & Sons");
    db.setString("setup/Company", "50%off");
    EXPECT_EQ(db.getString("setup/Company", ""), "50%off");
    db.setBool("setup/On", true);
    EXPECT_EQ(db.getInt("setup/On", 0), 1);

    // Without replace an existing key is refused; with it, replaced.
    EXPECT_THROW(db.insertInt("setup/port", 1, false), DatabaseException);
    db.insertInt("setup/port", 1, true);
    EXPECT_EQ(db.getInt("setup/Port", 0), 1);
}

TEST_F(SetupDatabaseTest, BlobReportsStoredSizeAndCopiesWhatFits)
{
    const unsigned char stored[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    db.setBlob("blob", stored, sizeof stored);
    EXPECT_EQ(typeOf("blob"), "blob");

    unsigned char small[4] = {};
    int capacity = sizeof small;
    EXPECT_EQ(db.getBlob("blob", small, capacity), small);
    EXPECT_EQ(capacity, 10);
    EXPECT_EQ(std::memcmp(small, stored, 4), 0);

    // A missing key stores the buffer as the default and leaves it as it is.
    unsigned char fallback[3] = {7, 8, 9};
    capacity = sizeof fallback;
    db.getBlob("other", fallback, capacity);
    EXPECT_EQ(capacity, 3);
    unsigned char back[3] = {};
    capacity = sizeof back;
    db.getBlob("other", back, capacity);
    EXPECT_EQ(std::memcmp(back, fallback, 3), 0);
}

TEST_F(SetupDatabaseTest, ImportLeavesOutPrefixesAndExportCopiesAll)
{
    db.setInt("setup/Port", 10111);
    db.setString("Version", "1.0.0");
    db.setString("Magic", "mine");

    SetupDatabase other;
    ASSERT_TRUE(other.open(folder.file("other.db").c_str(), 5000));
    other.setInt("SETUP/Port", 2000);
    other.setString("version", "2.0.0");
    other.setString("Magic", "theirs");
    other.setString("extra", "new");
    other.close();

    traceStatements();
    ASSERT_TRUE(db.importFrom(folder.file("other.db").c_str(), {"setup/", "Ver"}));
    const std::string import =
        "INSERT OR REPLACE INTO main.setup SELECT * FROM db.setup WHERE key NOT LIKE 'setup/%' "
        "AND key NOT LIKE 'Ver%';";
    EXPECT_NE(std::find(statements.begin(), statements.end(), import), statements.end());
    EXPECT_EQ(statements.back(), "DETACH DATABASE db;");

    EXPECT_EQ(db.getInt("setup/Port", 0), 10111);    // left out by prefix
    EXPECT_EQ(db.getString("Version", ""), "1.0.0"); // left out, case ignored
    EXPECT_EQ(db.getString("Magic", ""), "theirs");  // replaced
    EXPECT_EQ(db.getString("extra", ""), "new");     // added

    // Export into a file holding one of the keys fails as a whole.
    SetupDatabase target;
    ASSERT_TRUE(target.open(folder.file("target.db").c_str(), 5000));
    target.close();
    EXPECT_TRUE(db.exportTo(folder.file("target.db").c_str()));
    EXPECT_FALSE(db.exportTo(folder.file("target.db").c_str()));
    ASSERT_TRUE(target.open(folder.file("target.db").c_str(), 5000));
    EXPECT_EQ(target.getString("extra", ""), "new");
    // A file with no setup table: the copy fails, the file is detached.
    EXPECT_FALSE(db.importFrom(folder.file("empty.db").c_str(), {}));
    db.execute("ATTACH DATABASE ':memory:' AS db; DETACH DATABASE db;");
}

TEST_F(SetupDatabaseTest, FileWithOtherTablesGetsNoSetupTable)
{
    db.close();
    SetupDatabase foreign;
    {
        SetupDatabase plain;
        plain.open(folder.file("foreign.db").c_str(), 5000);
        plain.execute("DROP TABLE setup; CREATE TABLE other(x);");
    }
    EXPECT_FALSE(foreign.open(folder.file("foreign.db").c_str(), 5000));
    EXPECT_THROW(foreign.getInt("setup/Port", 1), DatabaseException);
}

} // namespace
} // namespace corvane
