#include "base/ISingleton.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/RowSet.h"
#include "data/Setup.h"
#include "data/SingletonRegistry.h"
#include "testsupport/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
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
