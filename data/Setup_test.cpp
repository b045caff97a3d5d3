#include "base/ISingleton.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/RowSet.h"
#include "data/SettingRule.h"
#include "data/Setup.h"
#include "data/SingletonRegistry.h"
#include "testsupport/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

std::vector<std::string> tableOf(const std::string& path)
{
    Database db;
    db.open(path.c_str(), 5000);
    std::vector<std::string> rows;
    std::vector<std::string> tables;
    db.listTables(tables);
    if (tables.empty())
        return rows;
    RowSet select(db, "SELECT key, typeof(value), value FROM setup ORDER BY rowid;");
    while (select.next())
        rows.push_back(std::string(select.getText(0)) + "|" + select.getText(1) + "|" +
                       select.getText(2));
    return rows;
}

class SetupTest : public ::testing::Test
{
protected:
    void TearDown() override { Setup::getInstance().close(); }

    TempFolder folder;
    std::string path = folder.file("setup.db");
};

TEST_F(SetupTest, NewFileHoldsTheSevenValuesFromItsFirstMoment)
{
    auto& setup = Setup::getInstance();
    setup.open(path);
    const std::vector<std::string> seven = {
        "Magic|integer|4915331",    "Version|text|1.0.0",       "Initialized|integer|1",
        "setup/Port|integer|10111", "setup/Driver|text|Driver", "setup/Company|text|Company",
        "setup/Image|text|Image",
    };
    EXPECT_EQ(tableOf(path), seven);

    EXPECT_EQ(setup.getInt("SETUP/PORT", 1), 10111);
    EXPECT_EQ(setup.getInt(Setup::timeoutDurationKey, Setup::defaultTimeoutDuration), 10);
    auto withTimeout = seven;
    withTimeout.push_back("setup/TimeoutDuration|integer|10");
    EXPECT_EQ(tableOf(path), withTimeout);
}

TEST_F(SetupTest, ExistingFilesAreLeftAsTheyAre)
{
    {
        Database db;
        db.open(path.c_str(), 5000);
        db.execute("CREATE TABLE setup(key text NOT NULL COLLATE NOCASE,value NOT NULL DEFAULT "
                   "'',UNIQUE(key)); INSERT INTO setup VALUES ('Magic', 'other');");
    }
    Setup::getInstance().open(path);
    EXPECT_EQ(tableOf(path), std::vector<std::string>{"Magic|text|other"});
    Setup::getInstance().close();

    // An existing empty file gets the table but none of the values.
    const std::string empty = folder.file("empty.db");
    std::ofstream{empty};
    Setup::getInstance().open(empty);
    EXPECT_EQ(tableOf(empty), std::vector<std::string>{});
    EXPECT_EQ(Setup::getInstance().getInt(Setup::portKey, Setup::defaultPort), 10111);
}

TEST_F(SetupTest, CheckedReadsHoldStoredValuesToTheirRule)
{
    struct Case
    {
        const char* label;
        const SettingRule& rule;
        const char* stored; // SQL literal; null: no row
        int value;
        std::optional<std::string> unusable;
    };
    const Case cases[] = {
        {"missing", portRule, nullptr, 10111, std::nullopt},
        {"in range", portRule, "2000", 2000, std::nullopt},
        {"lowest", portRule, "1500", 1500, std::nullopt},
        {"highest", portRule, "32000", 32000, std::nullopt},
        {"digits as text with blanks", portRule, "' 12000 '", 12000, std::nullopt},
        {"signed", keepDaysRule, "'+7'", 7, std::nullopt},
        {"no number", portRule, "'abc'", 10111, "abc"},
        {"number then text", portRule, "'12000abc'", 10111, "12000abc"},
        {"empty text", portRule, "''", 10111, ""},
        {"fraction", portRule, "2000.5", 10111, "2000.5"},
        {"below", portRule, "1499", 10111, "1499"},
        {"above", portRule, "32001", 10111, "32001"},
        {"wraps as a port", portRule, "75647", 10111, "75647"},
        {"beyond int", portRule, "'99999999999999999999'", 10111, "99999999999999999999"},
        {"negative days", keepDaysRule, "-1", 0, "-1"},
        {"no minutes", timeoutRule, "0", 10, "0"},
        {"negative free space", minFreeRule, "-200", 200, "-200"},
        {"a lone sign", minFreeRule, "'-'", 200, "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string file = folder.file((std::string(c.label) + ".db").c_str());
        {
            Database db;
            db.open(file.c_str(), 5000);
            db.execute("CREATE TABLE setup(key text NOT NULL COLLATE NOCASE,value NOT NULL "
                       "DEFAULT '',UNIQUE(key));");
            if (c.stored != nullptr)
                db.execute(("INSERT INTO setup VALUES ('" + std::string(c.rule.key) + "', " +
                            c.stored + ");")
                               .c_str());
        }
        corvane::Setup& setup = corvane::Setup::getInstance();
        setup.open(file);
        const std::vector<std::string> before = tableOf(file);
        const AbstractSetup::Checked checked = setup.getChecked(c.rule);
        EXPECT_EQ(checked.value, c.value);
        EXPECT_EQ(checked.unusable, c.unusable);
        if (c.stored == nullptr) {
            // The default is stored as a number, as the dialog would.
            EXPECT_EQ(tableOf(file),
                      std::vector<std::string>{std::string(c.rule.key) + "|integer|" +
                                               std::to_string(c.value)});
        } else {
            // What the operator wrote stays for them to see and mend.
            EXPECT_EQ(tableOf(file), before);
        }
        setup.close();
    }
}

TEST_F(SetupTest, MissingFolderRaisesDatabaseException)
{
    EXPECT_THROW(Setup::getInstance().open(folder.file("no/setup.db")), DatabaseException);
}

// Refuses the third INSERT into `setup` prepared on any new connection.
int refuseThirdInsert(void* counter, int action, const char* table, const char*, const char*,
                      const char*)
{
    if (action == SQLITE_INSERT && table != nullptr && std::string(table) == "setup" &&
        ++*static_cast<int*>(counter) == 3)
        return SQLITE_DENY;
    return SQLITE_OK;
}

int g_inserts = 0;

int installRefusal(sqlite3* db, const char**, const void*)
{
    g_inserts = 0;
    sqlite3_set_authorizer(db, refuseThirdInsert, &g_inserts);
    return SQLITE_OK;
}

TEST_F(SetupTest, InitializeFailingHalfWayEndsItsTransactionAndReleasesTheMutex)
{
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(installRefusal));
    auto& setup = Setup::getInstance();
    EXPECT_THROW(setup.open(path), DatabaseException);
    sqlite3_reset_auto_extension();
    EXPECT_EQ(g_inserts, 3);

    EXPECT_FALSE(setup.getDatabase().inTransaction());
    std::thread other([&] {
        std::unique_lock lock(setup.getMutex(), std::try_to_lock);
        EXPECT_TRUE(lock.owns_lock());
    });
    other.join();
    // Nothing of the half-done defaults stays behind.
    EXPECT_EQ(tableOf(path), std::vector<std::string>{});
}

class Spy final : public ISingleton
{
public:
    Spy(char name, int fd) : m_name(name), m_fd(fd) {}
    ~Spy() override
    {
        if (::write(m_fd, &m_name, 1) != 1)
            ::_exit(3);
    }

private:
    char m_name;
    int m_fd;
};

TEST(SingletonRegistryTest, DestroysAtExitInOrderOfRegistration)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        for (char name : {'A', 'B', 'C'})
            SingletonRegistry::add(new Spy(name, pipeFds[1]));
        std::exit(0); // runs the destructors of static objects
    }
    ::close(pipeFds[1]);
    std::string order;
    char c;
    while (::read(pipeFds[0], &c, 1) == 1)
        order += c;
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(order, "ABC");
}

} // namespace
} // namespace corvane
