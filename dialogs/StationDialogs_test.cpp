// The dialogs over the station's own stores: app.db through DBManager and
// the containers, setup.db through Setup.

#include "base/FormatableBuffer.h"
#include "base/UniqueID.h"
#include "callback/AppConstants.h"
#include "data/AbstractDatabaseRecord.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "data/Setup.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/LogDlg.h"
#include "dialogs/SetupAnnouncements.h"
#include "dialogs/SetupDlg.h"
#include "dialogs/StationEventLogSource.h"
#include "dialogs/StationSetupSettings.h"
#include "dialogs/StationVehicleStore.h"
#include "dialogs/VehicleEditDlg.h"
#include "testsupport/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <future>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

const char* const busId = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";
const char* const vanId = "11111111-2222-3333-4444-555555555555";

// A second connection to a file, as another process would have.
class Peer
{
public:
    explicit Peer(const std::string& path) { m_db.open(path.c_str(), 5000); }
    void execute(const std::string& sql) { m_db.execute(sql.c_str()); }
    std::vector<std::string> column(const char* sql)
    {
        RowSet rows(m_db, sql);
        std::vector<std::string> values;
        while (rows.next())
            values.emplace_back(rows.getText(0) != nullptr ? rows.getText(0) : "<null>");
        return values;
    }

private:
    Database m_db;
};

template <typename T>
T* child(QWidget& dialog, const char* name)
{
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void click(QWidget& dialog, const char* name)
{
    QTest::mouseClick(child<QPushButton>(dialog, name), Qt::LeftButton);
}

class AppDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The first open makes the tables; vehicles are loaded by the next.
        DBManager::getInstance().open(m_path, 5000);
        DBManager::getInstance().close();
        Peer peer(m_path);
        peer.execute(std::string("INSERT INTO vehicle_info (id, name, edited_name, deleted) "
                                 "VALUES ('") +
                     busId + "', 'Bus 7', '', 0), ('" + vanId + "', 'Old van', '', 1);");
        DBManager::getInstance().open(m_path, 5000);
    }
    void TearDown() override { DBManager::getInstance().close(); }

    TempFolder m_folder;
    std::string m_path = m_folder.file("app.db");
};

TEST_F(AppDatabaseTest, EventLogSearchesTheStoredEvents)
{
    Peer peer(m_path);
    std::string insert = "INSERT INTO event_info (address, name, time, event_type, device_title, "
                         "vehicle_id) VALUES ";
    for (int i = 0; i < 101; ++i)
        insert += std::string(i ? "," : "") + "('10.0.0.1', 'Bus 7', '2011-05-10 08:00:00', " +
                  std::to_string(i % 14) + ", 'DVR', '" + busId + "')";
    insert +=
        ",('10.0.0.2', 'Old van', '2011-06-10 08:00:00', 2, 'CAM', '" + std::string(vanId) + "');";
    peer.execute(insert);

    StationEventLogSource source;
    LogDlg dialog(source);
    dialog.show();
    auto* list = child<QTableWidget>(dialog, "eventList");
    auto* counter = child<QLabel>(dialog, "pageCounter");
    EXPECT_EQ(counter->text(), "1 / 2");
    click(dialog, "last");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 0)->text(), "Old van");
    EXPECT_EQ(list->item(1, 1)->text(), "2011-06-10 08:00:00");
    EXPECT_EQ(list->item(1, 2)->text(),
              QString::fromStdU16String(AppConstants::instance().getEventName(2)));
    EXPECT_FALSE(list->item(1, 2)->text().isEmpty());
    EXPECT_EQ(list->item(1, 3)->text(), "CAM");

    auto* combo = child<QComboBox>(dialog, "vehicleCombo");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(1), "Bus 7");
    EXPECT_EQ(combo->itemText(2), "Old van (deleted)");

    // One vehicle, then one month: the conditions select in SQLite itself.
    combo->setCurrentIndex(1);
    click(dialog, "search");
    EXPECT_EQ(counter->text(), "1 / 2");
    combo->setCurrentIndex(0);
    child<QDateEdit>(dialog, "fromDate")->setDate(QDate(2011, 6, 1));
    child<QDateEdit>(dialog, "toDate")->setDate(QDate(2011, 6, 30));
    QTest::mouseClick(child<QCheckBox>(dialog, "fromCheck"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(dialog, "toCheck"), Qt::LeftButton);
    click(dialog, "search");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), "Old van");

    // A query that fails leaves an empty list and a working dialog.
    peer.execute("DROP TABLE event_info;");
    test::ModalWatcher watcher;
    click(dialog, "search");
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(counter->text(), "1 / 1");
    EXPECT_EQ(watcher.texts(), QStringList({"No data found."}));
}

// setup.db opened through Setup for one test.
class SetupFile
{
public:
    explicit SetupFile(const std::string& path) { Setup::getInstance().open(path); }
    ~SetupFile() { Setup::getInstance().close(); }
    SetupFile(const SetupFile&) = delete;
    SetupFile& operator=(const SetupFile&) = delete;
    void write(const char* key, int value)
    {
        StationSetupSettings(Setup::getInstance()).writeInt(key, value);
    }
};

TEST_F(AppDatabaseTest, EventLogShowsAcknowledgementsAndSearchesOpenAlarms)
{
    Peer peer(m_path);
    // Device titles name the events: type 13 and the station's 1001 are
    // alarms, 2 and 1000 are not; e1 and e5 are acknowledged, one inside
    // May and one outside.
    const std::pair<const char*, int> events[] = {
        {"2011-05-10 08:00:00", 13},   {"2011-05-10 08:00:01", 13}, {"2011-05-10 08:00:02", 2},
        {"2011-06-10 08:00:00", 13},   {"2011-06-10 08:00:01", 13}, {"2011-05-12 08:00:00", 1001},
        {"2011-05-12 08:00:01", 1000},
    };
    std::string insert = "INSERT INTO event_info (address, name, time, event_type, device_title, "
                         "vehicle_id) VALUES ";
    for (std::size_t i = 0; i < std::size(events); ++i)
        insert += std::string(i ? "," : "") + "('10.0.0.1', 'Bus 7', '" + events[i].first + "', " +
                  std::to_string(events[i].second) + ", 'e" + std::to_string(i + 1) + "', '" +
                  busId + "')";
    peer.execute(insert + ";");
    peer.execute("INSERT INTO alarm_ack VALUES (1, '2011-05-10 09:00:00', 'alice', 'seen'), "
                 "(5, '2011-06-10 09:00:00', 'bob', '');");
    SetupFile setup(m_folder.file("setup.db"));
    setup.write("page/AlarmKinds", 1 << 13);
    setup.write("page/ZoneAlarmKinds", 0b010);

    StationEventLogSource source;
    LogDlg dialog(source);
    dialog.show();
    auto* list = child<QTableWidget>(dialog, "eventList");
    auto* fromCheck = child<QCheckBox>(dialog, "fromCheck");
    auto* toCheck = child<QCheckBox>(dialog, "toCheck");
    auto* openOnly = child<QCheckBox>(dialog, "openAlarmsCheck");
    EXPECT_EQ(openOnly->text(), "Open alarms only");
    EXPECT_FALSE(openOnly->isChecked());
    // "title:acknowledged:operator:note" for every row.
    auto shown = [&] {
        QStringList texts;
        for (int row = 0; row < list->rowCount(); ++row)
            texts << QStringList{list->item(row, 3)->text(), list->item(row, 4)->text(),
                                 list->item(row, 5)->text(), list->item(row, 6)->text()}
                         .join(':');
        return texts;
    };
    EXPECT_EQ(shown(),
              QStringList({"e1:2011-05-10 09:00:00:alice:seen", "e2:Open::", "e3:::", "e4:Open::",
                           "e5:2011-06-10 09:00:00:bob:", "e6:Open::", "e7:::"}));

    struct Case
    {
        int fromMonth; // 0: open start
        int toMonth;   // 0: open end
        bool open;
        QStringList titles;
    };
    const Case cases[] = {
        {0, 0, true, {"e2:Open::", "e6:Open::", "e4:Open::"}},
        {5, 5, true, {"e2:Open::", "e6:Open::"}},
        {6, 0, true, {"e4:Open::"}},
        {5,
         5,
         false,
         {"e1:2011-05-10 09:00:00:alice:seen", "e2:Open::", "e3:::", "e6:Open::", "e7:::"}},
    };
    test::ModalWatcher watcher;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.fromMonth) + "-" + std::to_string(c.toMonth));
        fromCheck->setChecked(c.fromMonth != 0);
        toCheck->setChecked(c.toMonth != 0);
        child<QDateEdit>(dialog, "fromDate")->setDate(QDate(2011, std::max(c.fromMonth, 1), 1));
        child<QDateEdit>(dialog, "toDate")
            ->setDate(QDate(2011, std::max(c.toMonth, 1), 1).addMonths(1).addDays(-1));
        openOnly->setChecked(c.open);
        click(dialog, "search");
        EXPECT_EQ(shown(), c.titles);
    }
    EXPECT_TRUE(watcher.texts().isEmpty());

    // No kind chosen: no event is an open alarm.
    setup.write("page/AlarmKinds", 0);
    setup.write("page/ZoneAlarmKinds", 0);
    fromCheck->setChecked(false);
    toCheck->setChecked(false);
    openOnly->setChecked(true);
    click(dialog, "search");
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(watcher.texts(), QStringList({"No data found."}));
}

TEST_F(AppDatabaseTest, VehicleEditorStoresTheRow)
{
    StationVehicleStore store;
    VehicleEditDlg dialog(store, busId);
    dialog.show();
    ASSERT_TRUE(dialog.hasVehicle());
    child<QLineEdit>(dialog, "nameBox")->setText("Night bus");
    child<QLineEdit>(dialog, "info1Box")->setText("it's late");
    child<QLineEdit>(dialog, "info2Box")->setText("50% full");
    child<QLineEdit>(dialog, "imageBox")->setText(QString::fromStdString(m_folder.file("no.png")));
    click(dialog, "ok");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);

    DBManager::getInstance().close(); // writes what is queued
    Peer peer(m_path);
    const std::string where = std::string(" FROM vehicle_info WHERE id='") + busId + "';";
    EXPECT_EQ(peer.column(("SELECT edited_name" + where).c_str()),
              std::vector<std::string>{"Night bus"});
    EXPECT_EQ(peer.column(("SELECT info1 || '|' || info2" + where).c_str()),
              std::vector<std::string>{"it's late|50% full"});
    EXPECT_EQ(peer.column(("SELECT image_path" + where).c_str()), std::vector<std::string>{""});
}

class SetupFileTest : public ::testing::Test
{
protected:
    void SetUp() override { Setup::getInstance().open(m_path); }
    void TearDown() override { Setup::getInstance().close(); }

    int stored(const char* key)
    {
        const auto values = m_peer.column(
            (std::string("SELECT value FROM setup WHERE key='") + key + "';").c_str());
        return values.empty() ? -1 : std::stoi(values.front());
    }
    int dataVersion() { return std::stoi(m_peer.column("PRAGMA data_version;").at(0)); }
    QStringList submit(SetupDlg& dialog, const char* port, const char* timeout)
    {
        child<QLineEdit>(dialog, "portBox")->setText(QString::fromLatin1(port));
        child<QLineEdit>(dialog, "timeoutBox")->setText(QString::fromLatin1(timeout));
        test::ModalWatcher watcher;
        click(dialog, "ok");
        return watcher.texts();
    }
    // True when another thread can take the settings mutex now.
    static bool mutexIsFree()
    {
        return std::async(std::launch::async,
                          [] {
                              std::recursive_mutex& mutex = Setup::getInstance().getMutex();
                              if (!mutex.try_lock())
                                  return false;
                              mutex.unlock();
                              return true;
                          })
            .get();
    }

    TempFolder m_folder;
    std::string m_path = m_folder.file("setup.db");
    Peer m_peer{m_path};
    StationSetupSettings m_settings{Setup::getInstance()};
    // The opener's side: what the dialogs announced.
    test::SetupAnnouncements m_announced;
};

TEST_F(SetupFileTest, SavesOnlyWhatChangedAndIsValid)
{
    SetupDlg dialog(m_settings);
    m_announced.watch(dialog);
    dialog.show();
    EXPECT_EQ(stored("setup/TimeoutDuration"), 10) << "reading stores the default";

    const int before = dataVersion();
    EXPECT_TRUE(submit(dialog, "10111", "10").isEmpty());
    EXPECT_EQ(dataVersion(), before) << "an unchanged OK writes nothing";

    SetupDlg second(m_settings);
    m_announced.watch(second);
    second.show();
    EXPECT_EQ(submit(second, "1500", "0"), QStringList({"Timeout must be between 1 ~ 28800"}));
    EXPECT_EQ(stored("setup/Port"), 1500);
    EXPECT_EQ(stored("setup/TimeoutDuration"), 10);
    EXPECT_TRUE(submit(second, "1500", "28800").isEmpty());
    EXPECT_EQ(stored("setup/TimeoutDuration"), 28800);
    EXPECT_FALSE(second.isVisible());
}

TEST_F(SetupFileTest, FailedSaveReleasesTheMutexAndEndsTheTransaction)
{
    SetupDlg dialog(m_settings);
    m_announced.watch(dialog);
    dialog.show();
    m_peer.execute("DROP TABLE setup;");
    EXPECT_TRUE(submit(dialog, "2000", "20").isEmpty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(mutexIsFree());
    EXPECT_FALSE(Setup::getInstance().getDatabase().inTransaction());
    EXPECT_TRUE(m_announced.take().empty()) << "nothing is announced";

    // Once the store works again, the same OK saves and announces both.
    m_peer.execute("CREATE TABLE setup(key text NOT NULL COLLATE NOCASE,value NOT NULL "
                   "DEFAULT '',UNIQUE(key));");
    EXPECT_TRUE(submit(dialog, "2000", "20").isEmpty());
    EXPECT_EQ(stored("setup/Port"), 2000);
    EXPECT_EQ(m_announced.take(), (std::vector<test::SetupAnnouncements::Announcement>{
                                      {"port", 2000}, {"timeout", 20}}));
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
