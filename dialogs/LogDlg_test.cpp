#include "base/UniqueID.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/VehicleInfo.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/EventLogSource.h"
#include "dialogs/LogDlg.h"
#include "testsupport/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QtTest>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

// Events and vehicles held in memory; records the conditions it is asked for
// and can be told to fail its queries.
class MemoryEventSource final : public EventLogSource
{
public:
    void forEachVehicle(const std::function<void(const VehicleInfo&)>& visit) override
    {
        for (const VehicleInfo& vehicle : vehicles)
            visit(vehicle);
    }

    std::size_t queryEvents(const char* condition) override
    {
        conditions.push_back(condition != nullptr ? std::optional<std::string>(condition)
                                                  : std::nullopt);
        if (failQueries)
            throw CORVANE_EXCEPTION(DatabaseException, nullptr);
        loaded = stored;
        return loaded.size();
    }

    void forEachEvent(std::size_t skip, std::size_t limit, const EventVisitor& visit) override
    {
        if (failPages)
            throw CORVANE_EXCEPTION(DatabaseException, nullptr);
        for (std::size_t i = skip; i < loaded.size() && i < skip + limit; ++i) {
            ++visited;
            const auto ack = acks.find(loaded[i].id);
            visit(loaded[i], ack != acks.end() ? std::optional(ack->second) : std::nullopt);
        }
    }

    std::u16string eventName(int code) override
    {
        return code >= 0 && code < 14 ? u"Event " + std::u16string(1, char16_t(u'A' + code))
                                      : std::u16string();
    }

    AlarmKinds alarmKinds() override
    {
        if (failKinds)
            throw CORVANE_EXCEPTION(DatabaseException, nullptr);
        return kinds;
    }

    void store(int count)
    {
        stored.clear();
        for (int i = 0; i < count; ++i) {
            EventLog event;
            event.id = i + 1;
            event.setName(("Car " + std::to_string(i)).c_str());
            event.setTime("2011-05-31 13:45:30");
            event.setDeviceTitle("DVR");
            event.event_type = i % 16;
            stored.push_back(event);
        }
    }

    std::vector<VehicleInfo> vehicles;
    std::vector<EventLog> stored;
    std::vector<EventLog> loaded;
    std::vector<std::optional<std::string>> conditions;
    std::map<int, AlarmAck> acks; // by event id
    AlarmKinds kinds;
    bool failKinds = false;
    bool failQueries = false;
    bool failPages = false;
    std::size_t visited = 0;
};

VehicleInfo vehicle(const char* id, const char* name, const char* editedName = "",
                    bool deleted = false)
{
    VehicleInfo info{UniqueID(id)};
    info.name = name;
    info.edited_name = editedName;
    info.deleted = deleted;
    return info;
}

AlarmAck ack(const char* when, const char* who, const char* note)
{
    AlarmAck stored;
    stored.acknowledged = when;
    stored.operator_name = who;
    stored.note = note;
    return stored;
}

class LogDlgTest : public ::testing::Test
{
protected:
    LogDlg& open()
    {
        m_dialog.emplace(m_source);
        m_dialog->show();
        return *m_dialog;
    }
    template <typename T>
    T* child(const char* name)
    {
        T* widget = m_dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    int rows() { return child<QTableWidget>("eventList")->rowCount(); }
    QString counter() { return child<QLabel>("pageCounter")->text(); }
    // Which of "<<", "<", ">", ">>" can be pressed, as four letters.
    std::string enabledButtons()
    {
        std::string state;
        for (const char* name : {"first", "previous", "next", "last"})
            state += child<QPushButton>(name)->isEnabled() ? 'E' : '-';
        return state;
    }

    MemoryEventSource m_source;
    std::optional<LogDlg> m_dialog;
};

TEST_F(LogDlgTest, PagesHundredEventsAtATime)
{
    struct Step
    {
        const char* button; // null: the state right after opening
        const char* counter;
        int rows;
        const char* buttons;
        const char* firstName;
    };
    struct Case
    {
        int events;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {0, {{nullptr, "1 / 1", 0, "----", nullptr}}},
        {100, {{nullptr, "1 / 1", 100, "----", "Car 0"}}},
        {101,
         {{nullptr, "1 / 2", 100, "--EE", "Car 0"},
          {"next", "2 / 2", 1, "EE--", "Car 100"},
          {"first", "1 / 2", 100, "--EE", "Car 0"}}},
        {250,
         {{"last", "3 / 3", 50, "EE--", "Car 200"},
          {"previous", "2 / 3", 100, "EEEE", "Car 100"},
          {"previous", "1 / 3", 100, "--EE", "Car 0"},
          {"next", "2 / 3", 100, "EEEE", "Car 100"},
          {"first", "1 / 3", 100, "--EE", "Car 0"}}},
    };
    for (const Case& c : cases) {
        m_source.store(c.events);
        open();
        for (const Step& step : c.steps) {
            SCOPED_TRACE(std::to_string(c.events) + " events, " +
                         (step.button ? step.button : "opened"));
            if (step.button != nullptr)
                click(step.button);
            EXPECT_EQ(counter(), QString::fromLatin1(step.counter));
            EXPECT_EQ(rows(), step.rows);
            EXPECT_EQ(enabledButtons(), step.buttons);
            if (step.firstName != nullptr) {
                EXPECT_EQ(child<QTableWidget>("eventList")->item(0, 0)->text(),
                          QString::fromLatin1(step.firstName));
            }
        }
    }
}

TEST_F(LogDlgTest, RowsShowNameTimeTypeAndTitle)
{
    m_source.store(16);
    open();
    auto* list = child<QTableWidget>("eventList");
    ASSERT_EQ(list->columnCount(), 7);
    const QStringList headings = {"Vehicle Name", "Date/Time", "Event Type", "Device Title"};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(list->horizontalHeaderItem(column)->text(), headings[column]);
        EXPECT_EQ(list->item(3, column)->textAlignment(), int(Qt::AlignCenter));
    }
    EXPECT_EQ(list->columnWidth(0), 200);
    EXPECT_EQ(list->columnWidth(1), 150);
    EXPECT_EQ(list->columnWidth(2), 150);
    EXPECT_EQ(list->item(3, 0)->text(), "Car 3");
    EXPECT_EQ(list->item(3, 1)->text(), "2011-05-31 13:45:30");
    EXPECT_EQ(list->item(3, 2)->text(), "Event D");
    EXPECT_EQ(list->item(3, 3)->text(), "DVR");
    // Codes without a name (14 and 15 here) show an empty type.
    EXPECT_EQ(list->item(14, 2)->text(), "");
}

TEST_F(LogDlgTest, RowsShowTheAcknowledgementOfAlarms)
{
    // Alarms: type 3, 20 (which has no name, so does not count) and the
    // station's 1001.
    m_source.kinds = AlarmKinds((1u << 3) | (1u << 20), 0b010);
    const AlarmAck seen = ack("2011-06-01 10:00:00", "alice", "<b>not bold</b>\nline two");
    const AlarmAck late = ack("2011-06-02 08:00:00", "bob", "");
    struct Case
    {
        int type;
        std::optional<AlarmAck> ack;
        QStringList shown; // Acknowledged, Operator, Note
    };
    const Case cases[] = {
        {3, seen, {"2011-06-01 10:00:00", "alice", "<b>not bold</b>\nline two"}},
        {3, std::nullopt, {"Open", "", ""}},
        {4, std::nullopt, {"", "", ""}},
        {20, std::nullopt, {"", "", ""}},
        {1001, std::nullopt, {"Open", "", ""}},
        {1000, std::nullopt, {"", "", ""}},
        // Acknowledged before its kind was dropped from the alarms.
        {4, late, {"2011-06-02 08:00:00", "bob", ""}},
    };
    m_source.store(static_cast<int>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        m_source.stored[i].event_type = cases[i].type;
        if (cases[i].ack)
            m_source.acks[m_source.stored[i].id] = *cases[i].ack;
    }
    open();
    auto* list = child<QTableWidget>("eventList");
    ASSERT_EQ(rows(), static_cast<int>(std::size(cases)));
    EXPECT_EQ(list->horizontalHeaderItem(4)->text(), "Acknowledged");
    EXPECT_EQ(list->horizontalHeaderItem(5)->text(), "Operator");
    EXPECT_EQ(list->horizontalHeaderItem(6)->text(), "Note");
    auto shownAt = [&](int row) {
        return QStringList{list->item(row, 4)->text(), list->item(row, 5)->text(),
                           list->item(row, 6)->text()};
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(shownAt(int(i)), cases[i].shown) << "type " << cases[i].type;

    // The tool-tip shows the whole note as written, not as markup.
    QTextDocument tip;
    tip.setHtml(list->item(0, 6)->toolTip());
    EXPECT_EQ(tip.toPlainText(), "<b>not bold</b>\nline two");

    // Kinds that cannot be read leave no alarm open; the rows are still
    // shown.
    m_source.failKinds = true;
    click("search");
    EXPECT_EQ(rows(), static_cast<int>(std::size(cases)));
    EXPECT_EQ(shownAt(1), QStringList({"", "", ""}));
    EXPECT_EQ(shownAt(0)[1], "alice");
}

TEST_F(LogDlgTest, ListsVehiclesSortedWithAllVehiclesFirst)
{
    m_source.vehicles = {vehicle("00000000-0000-0000-0000-000000000003", "zeta"),
                         vehicle("00000000-0000-0000-0000-000000000001", "Bus 7", "", true),
                         vehicle("00000000-0000-0000-0000-000000000002", "raw", "Alpha"),
                         vehicle("00000000-0000-0000-0000-000000000004", "zeta")};
    m_source.store(1);
    open();
    auto* combo = child<QComboBox>("vehicleCombo");
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    EXPECT_EQ(entries, QStringList({"(All Vehicles)", "Alpha", "Bus 7 (deleted)", "zeta", "zeta"}));
    EXPECT_EQ(combo->currentIndex(), 0);

    // The two entries of the same text each search their own vehicle.
    std::vector<std::string> searched;
    for (int entry : {3, 4}) {
        combo->setCurrentIndex(entry);
        click("search");
        const std::string& condition = *m_source.conditions.back();
        searched.push_back(condition.substr(0, condition.find(" AND ")));
    }
    EXPECT_NE(searched[0], searched[1]);
    for (const std::string& c : searched)
        EXPECT_TRUE(c == "vehicle_id = '00000000-0000-0000-0000-000000000003'" ||
                    c == "vehicle_id = '00000000-0000-0000-0000-000000000004'")
            << c;
}

TEST_F(LogDlgTest, SearchBuildsTheConditionFromTheBoxes)
{
    m_source.vehicles = {vehicle("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", "Bus 7")};
    m_source.store(3);
    open();
    ASSERT_EQ(m_source.conditions.size(), 1u);
    EXPECT_FALSE(m_source.conditions[0].has_value()) << "opening loads every event";

    click("search");
    EXPECT_EQ(m_source.conditions.back(),
              "time between '1970-01-01 00:00:00' AND '2100-12-31 24:59:59' ");

    auto* fromDate = child<QDateEdit>("fromDate");
    auto* toDate = child<QDateEdit>("toDate");
    EXPECT_FALSE(fromDate->isEnabled());
    EXPECT_FALSE(toDate->isEnabled());
    fromDate->setDate(QDate(2011, 5, 1));
    toDate->setDate(QDate(2011, 5, 31));
    QTest::mouseClick(child<QCheckBox>("fromCheck"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>("toCheck"), Qt::LeftButton);
    EXPECT_TRUE(fromDate->isEnabled());
    EXPECT_TRUE(toDate->isEnabled());
    child<QComboBox>("vehicleCombo")->setCurrentIndex(1);
    click("search");
    EXPECT_EQ(m_source.conditions.back(),
              "vehicle_id = '0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0' AND time between "
              "'2011-05-01 00:00:00' AND '2011-05-31 23:59:59' ");
}

TEST_F(LogDlgTest, SearchAfterPagingStartsAtPageOne)
{
    m_source.store(150);
    open();
    click("next");
    ASSERT_EQ(counter(), "2 / 2");
    m_source.store(120);
    click("search");
    EXPECT_EQ(counter(), "1 / 2");
    EXPECT_EQ(rows(), 100);
    EXPECT_EQ(enabledButtons(), "--EE");
}

TEST_F(LogDlgTest, EmptyResultSaysNoDataFound)
{
    m_source.store(5);
    open();
    m_source.store(0);
    test::ModalWatcher watcher;
    click("search");
    ASSERT_EQ(watcher.messages().size(), 1u);
    EXPECT_EQ(watcher.messages()[0].text, "No data found.");
    EXPECT_EQ(watcher.messages()[0].caption, "ORVEX Corvane");
    EXPECT_EQ(watcher.messages()[0].icon, QMessageBox::Information);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(counter(), "1 / 1");
    EXPECT_EQ(enabledButtons(), "----");
}

TEST_F(LogDlgTest, FailedQueryShowsAnEmptyListAndTheDialogGoesOn)
{
    m_source.store(150);
    m_source.failQueries = true;
    open();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(counter(), "1 / 1");
    EXPECT_EQ(enabledButtons(), "----");

    // A failure after a good result does not leave the old pages behind.
    m_source.failQueries = false;
    click("search");
    ASSERT_EQ(rows(), 100);
    m_source.failQueries = true;
    test::ModalWatcher watcher;
    click("search");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(enabledButtons(), "----");
    EXPECT_EQ(watcher.texts(), QStringList({"No data found."}));
}

TEST_F(LogDlgTest, DateTimeHeadingTurnsTheOrderToNewestFirstAndBack)
{
    m_source.store(250);
    open();
    auto* list = child<QTableWidget>("eventList");
    // What a click on a heading makes the header send.
    auto clickHeading = [&](int column) { emit list->horizontalHeader()->sectionClicked(column); };
    struct Step
    {
        int heading;        // -1: a paging button instead
        const char* button; // when heading is -1
        const char* counter;
        const char* firstName;
        const char* lastName;
    };
    const Step steps[] = {
        {1, nullptr, "1 / 3", "Car 249", "Car 150"},
        {-1, "next", "2 / 3", "Car 149", "Car 50"},
        {-1, "last", "3 / 3", "Car 49", "Car 0"},
        {0, nullptr, "3 / 3", "Car 49", "Car 0"}, // other headings do nothing
        {1, nullptr, "1 / 3", "Car 0", "Car 99"},
        {-1, "last", "3 / 3", "Car 200", "Car 249"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.counter) + " " + step.firstName);
        if (step.heading >= 0)
            clickHeading(step.heading);
        else
            click(step.button);
        EXPECT_EQ(counter(), QString::fromLatin1(step.counter));
        ASSERT_GT(rows(), 0);
        EXPECT_EQ(list->item(0, 0)->text(), QString::fromLatin1(step.firstName));
        EXPECT_EQ(list->item(rows() - 1, 0)->text(), QString::fromLatin1(step.lastName));
    }
}

TEST_F(LogDlgTest, OnlyThePageShownIsRead)
{
    m_source.store(1000);
    open();
    EXPECT_EQ(m_source.visited, 100u);
    click("last");
    EXPECT_EQ(m_source.visited, 200u);
}

TEST_F(LogDlgTest, APageThatCannotBeReadShowsEmptyAndPagingGoesOn)
{
    m_source.store(250);
    open();
    m_source.failPages = true;
    click("next");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(counter(), "2 / 3");
    m_source.failPages = false;
    click("next");
    EXPECT_EQ(rows(), 50);

    // An export that cannot read the events writes nothing and says so.
    TempFolder folder;
    const QString path = QString::fromStdString(folder.file("events.csv"));
    m_source.failPages = true;
    test::ModalWatcher watcher;
    EXPECT_FALSE(m_dialog->exportCsv(path));
    ASSERT_EQ(watcher.messages().size(), 1u);
    EXPECT_TRUE(watcher.messages()[0].text.startsWith("The events could not be written to "));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
