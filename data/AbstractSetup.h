#pragma once

#include "data/SetupDatabase.h"

#include <mutex>
#include <optional>
#include <string>

namespace corvane {

struct SettingRule;

// A reusable settings store over one SQLite file: opens or creates it, lets
// the subclass write the defaults of a newly created file (initialize) and
// react to every open (onOpened), and offers the locked reads getInt and
// getChecked. Every
// other read and write goes through getDatabase() while the caller holds
// getMutex(); a read-modify-write holds it across begin and commit, and a
// Transaction (data/Transaction.h) makes sure a failure cannot leave the
// transaction open:
//
//   std::lock_guard lock(setup.getMutex());
//   Transaction transaction(setup.getDatabase());
//   setup.getDatabase().setInt(Setup::portKey, port);
//   transaction.commit();
//
// Ownership: owns the SetupDatabase (closed on destruction).
// Threads: any thread, serialised by the recursive mutex; open() takes no
// lock (it runs at start-up before any other user).
// Throws: DatabaseException from open, getInt and getChecked (they release
// the mutex first).
class AbstractSetup
{
public:
    virtual ~AbstractSetup();

    AbstractSetup(const AbstractSetup&) = delete;
    AbstractSetup& operator=(const AbstractSetup&) = delete;

    // Opens the file at the UTF-8 path with a busy time-out of 5000 ms,
    // creating it when missing; calls onOpened, and initialize when the file
    // did not exist before.
    void open(const std::string& path);

    int getInt(const char* key, int defaultValue);
    // The setting the rule names, held to the rule: the stored value when it
    // reads as a number the rule accepts; the rule's default when the key is
    // missing (the default is then stored) or the stored value is unusable
    // (it then stays in the file, and `unusable` holds its text).
    struct Checked
    {
        int value;
        std::optional<std::string> unusable;
    };
    Checked getChecked(const SettingRule& rule);

    // Closes the file under the mutex (the main window's shutdown).
    void close();

    std::recursive_mutex& getMutex() noexcept { return m_mutex; }
    SetupDatabase& getDatabase() noexcept { return m_database; }

protected:
    AbstractSetup() = default;

    // Writes the defaults of a newly created file.
    virtual void initialize(SetupDatabase& database) = 0;
    virtual void onOpened(SetupDatabase& database) = 0;

private:
    std::recursive_mutex m_mutex;
    SetupDatabase m_database;
};

} // namespace corvane
