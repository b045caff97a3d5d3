#include "data/DatabaseException.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/SetupAnnouncements.h"
#include "dialogs/SetupDlg.h"
#include "dialogs/SetupSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// Settings in memory: a read of a missing key stores the default, as the
// station's store does; writes are logged and can be made to fail.
class MemorySettings final : public SetupSettings
{
public:
    int readInt(const char* key, int defaultValue) override
    {
        return values.emplace(key, defaultValue).first->second;
    }

    void writeInt(const char* key, int value) override
    {
        if (failingKey == key)
            throw CORVANE_EXCEPTION(DatabaseException, nullptr);
        writes.emplace_back(key, value);
        values[key] = value;
    }

    std::string readText(const char* key, const std::string& defaultValue) override
    {
        return texts.emplace(key, defaultValue).first->second;
    }

    void writeText(const char* key, const std::string& value) override
    {
        if (failingKey == key)
            throw CORVANE_EXCEPTION(DatabaseException, nullptr);
        texts[key] = value;
    }

    std::map<std::string, int> values;
    std::map<std::string, std::string> texts;
    std::vector<std::pair<std::string, int>> writes;
    std::string failingKey;
};

using Writes = std::vector<std::pair<std::string, int>>;
using Events = std::vector<test::SetupAnnouncements::Announcement>;

class SetupDlgTest : public ::testing::Test
{
protected:
    SetupDlg& open()
    {
        m_dialog.emplace(m_settings);
        m_announced.watch(*m_dialog);
        m_dialog->show();
        return *m_dialog;
    }
    QLineEdit* box(const char* name)
    {
        return m_dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    // Types the two values and presses OK; returns the texts of the message
    // boxes shown.
    QStringList submit(const char* port, const char* timeout)
    {
        box("portBox")->setText(QString::fromLatin1(port));
        box("timeoutBox")->setText(QString::fromLatin1(timeout));
        test::ModalWatcher watcher;
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
        return watcher.texts();
    }

    MemorySettings m_settings;
    test::SetupAnnouncements m_announced;
    std::optional<SetupDlg> m_dialog;
};

TEST_F(SetupDlgTest, ShowsStoredValuesOrStoresTheDefaults)
{
    open();
    EXPECT_EQ(box("portBox")->text(), "10111");
    EXPECT_EQ(box("timeoutBox")->text(), "10");
    EXPECT_EQ(m_settings.values["setup/TimeoutDuration"], 10);
    EXPECT_EQ(m_dialog->windowTitle(), "Setup");

    m_settings.values = {{"setup/Port", 12000}, {"setup/TimeoutDuration", 45}};
    open();
    EXPECT_EQ(box("portBox")->text(), "12000");
    EXPECT_EQ(box("timeoutBox")->text(), "45");

    // Out of range the station runs on the defaults, and the boxes say so.
    m_settings.values = {
        {"setup/Port", 70000}, {"setup/TimeoutDuration", 0}, {"data/KeepDays", -3}};
    open();
    EXPECT_EQ(box("portBox")->text(), "10111");
    EXPECT_EQ(box("timeoutBox")->text(), "10");
    EXPECT_EQ(box("keepDaysBox")->text(), "0");
}

TEST_F(SetupDlgTest, AcceptsOnlyValuesInRange)
{
    const QString portMessage = "Port must be between 1500 ~ 32000";
    const QString timeoutMessage = "Timeout must be between 1 ~ 28800";
    struct Case
    {
        const char* port;
        const char* timeout;
        QStringList messages;
        Writes writes;
        Events events;
        bool closes;
    };
    const Case cases[] = {
        {"1500", "10", {}, {{"setup/Port", 1500}}, {{"port", 1500}}, true},
        {"32000", "10", {}, {{"setup/Port", 32000}}, {{"port", 32000}}, true},
        {"1499", "10", {portMessage}, {}, {}, false},
        {"32001", "10", {portMessage}, {}, {}, false},
        {"", "10", {portMessage}, {}, {}, false},
        {"10111", "1", {}, {{"setup/TimeoutDuration", 1}}, {{"timeout", 1}}, true},
        {"10111", "28800", {}, {{"setup/TimeoutDuration", 28800}}, {{"timeout", 28800}}, true},
        {"10111", "0", {timeoutMessage}, {}, {}, false},
        {"10111", "28801", {timeoutMessage}, {}, {}, false},
        {"10111", "10", {}, {}, {}, true},
        // A refused port stops OK before the time-out is looked at.
        {"99", "0", {portMessage}, {}, {}, false},
        {"2000",
         "20",
         {},
         {{"setup/Port", 2000}, {"setup/TimeoutDuration", 20}},
         {{"port", 2000}, {"timeout", 20}},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.port) + " / " + c.timeout);
        m_settings.values.clear();
        m_settings.writes.clear();
        open();
        EXPECT_EQ(submit(c.port, c.timeout), c.messages);
        EXPECT_EQ(m_settings.writes, c.writes);
        EXPECT_EQ(m_announced.take(), c.events);
        EXPECT_EQ(!m_dialog->isVisible(), c.closes);
        EXPECT_EQ(m_dialog->result(), c.closes ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(SetupDlgTest, AllowedSendersAreCheckedBeforeTheyAreSaved)
{
    struct Case
    {
        const char* stored; // null: no list stored yet
        const char* typed;
        QStringList messages;
        const char* saved; // the stored list afterwards
        bool closes;
    };
    const Case cases[] = {
        {nullptr, "", {}, "", true},
        {nullptr, "192.0.2.7, 198.51.100.0/24", {}, "192.0.2.7, 198.51.100.0/24", true},
        {"192.0.2.7", "  ", {}, "", true},
        {"192.0.2.7", " 192.0.2.7 ", {}, "192.0.2.7", true},
        {"192.0.2.7",
         "192.0.2.7, gateway",
         {"Allowed senders: \"gateway\" is not an IPv4 address or range"},
         "192.0.2.7",
         false},
        {"",
         "10.0.0.0/33",
         {"Allowed senders: \"10.0.0.0/33\" is not an IPv4 address or range"},
         "",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        m_settings.texts.clear();
        if (c.stored != nullptr)
            m_settings.texts["callback/AllowedSenders"] = c.stored;
        open();
        EXPECT_EQ(box("allowedSendersBox")->text(), c.stored ? c.stored : "");
        box("allowedSendersBox")->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(submit("10111", "10"), c.messages);
        EXPECT_EQ(m_settings.texts["callback/AllowedSenders"], c.saved);
        EXPECT_EQ(!m_dialog->isVisible(), c.closes);
        EXPECT_TRUE(m_announced.take().empty());
    }

    open();
    auto* summary = m_dialog->findChild<QLabel*>("dropSummary");
    ASSERT_NE(summary, nullptr);
    EXPECT_FALSE(summary->isVisible());
    m_dialog->setDropSummary("Dropped datagrams: 1 without a vehicle identifier");
    EXPECT_TRUE(summary->isVisible());
    EXPECT_EQ(summary->text(), "Dropped datagrams: 1 without a vehicle identifier");
}

TEST_F(SetupDlgTest, ValidPortStaysSavedWhenTheTimeoutIsRefused)
{
    open();
    EXPECT_EQ(submit("1600", "28801"), QStringList({"Timeout must be between 1 ~ 28800"}));
    EXPECT_EQ(m_settings.writes, Writes({{"setup/Port", 1600}}));
    EXPECT_EQ(m_announced.take(), Events({{"port", 1600}}));
    ASSERT_TRUE(m_dialog->isVisible());

    // The second OK handles only the time-out: the port is current now.
    EXPECT_EQ(submit("1600", "30"), QStringList());
    EXPECT_EQ(m_settings.writes, Writes({{"setup/Port", 1600}, {"setup/TimeoutDuration", 30}}));
    EXPECT_EQ(m_announced.take(), Events({{"timeout", 30}}));
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(SetupDlgTest, FailedSaveKeepsTheDialogOpenAndAnnouncesNothing)
{
    open();
    m_settings.failingKey = "setup/Port";
    EXPECT_EQ(submit("2000", "20"), QStringList());
    EXPECT_TRUE(m_settings.writes.empty());
    EXPECT_TRUE(m_announced.take().empty());
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(box("portBox")->text(), "2000");

    // The failed value did not become current, so the next OK saves it.
    m_settings.failingKey.clear();
    EXPECT_EQ(submit("2000", "20"), QStringList());
    EXPECT_EQ(m_settings.writes, Writes({{"setup/Port", 2000}, {"setup/TimeoutDuration", 20}}));
    EXPECT_EQ(m_announced.take(), Events({{"port", 2000}, {"timeout", 20}}));
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(SetupDlgTest, AlarmChecklistSavesAChangedChoice)
{
    auto checked = [this] {
        std::vector<int> types;
        for (int type = 0; type < 14; ++type) {
            if (m_dialog->findChild<QCheckBox*>(QString("alarmKind%1").arg(type))->isChecked())
                types.push_back(type);
        }
        return types;
    };
    open();
    EXPECT_EQ(checked(), std::vector<int>({13}));
    EXPECT_EQ(m_dialog->findChild<QCheckBox*>("alarmKind13")->text(), "Emergency (Panic)");

    struct Case
    {
        std::vector<int> toggle;
        const char* failingKey;
        Writes writes;
        Events events;
        bool closes;
    };
    const Case cases[] = {
        {{}, "", {}, {}, true},
        {{11, 13}, "", {{"page/AlarmKinds", 1 << 11}}, {{"alarmKinds", 1 << 11}}, true},
        {{0}, "page/AlarmKinds", {}, {}, false},
        {{11}, "", {}, {}, true}, // toggled twice: the stored choice again
    };
    for (const Case& c : cases) {
        m_settings.writes.clear();
        m_settings.failingKey = c.failingKey;
        open();
        for (int type : c.toggle)
            m_dialog->findChild<QCheckBox*>(QString("alarmKind%1").arg(type))->toggle();
        if (c.toggle == std::vector<int>{11}) // back again before OK
            m_dialog->findChild<QCheckBox*>("alarmKind11")->toggle();
        EXPECT_EQ(submit("10111", "10"), QStringList());
        EXPECT_EQ(m_settings.writes, c.writes);
        EXPECT_EQ(m_announced.take(), c.events);
        EXPECT_EQ(!m_dialog->isVisible(), c.closes);
    }
    // Bits of types that do not exist are not offered and not kept.
    m_settings.failingKey.clear();
    m_settings.values["page/AlarmKinds"] = -1;
    open();
    EXPECT_EQ(checked().size(), 14u);
}

TEST_F(SetupDlgTest, CancelWritesNothing)
{
    open();
    box("portBox")->setText("2000");
    QTest::mouseClick(m_dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(m_settings.writes.empty());
    EXPECT_TRUE(m_announced.take().empty());
}

TEST_F(SetupDlgTest, BoxesTakeDigitsOnly)
{
    open();
    QLineEdit* port = box("portBox");
    port->clear();
    QTest::keyClicks(port, "12a-3 4");
    EXPECT_EQ(port->text(), "1234");
}

TEST_F(SetupDlgTest, KeepDaysAcceptsZeroToTenYearsAndIsAnnounced)
{
    const QString message = "Keep days must be between 0 ~ 3650";
    struct Case
    {
        const char* days;
        QStringList messages;
        Writes writes;
        Events events;
    };
    const Case cases[] = {
        {"0", {}, {}, {}}, // the default: nothing changed
        {"3650", {}, {{"data/KeepDays", 3650}}, {{"keepDays", 3650}}},
        {"1", {}, {{"data/KeepDays", 1}}, {{"keepDays", 1}}},
        {"3651", {message}, {}, {}},
        {"-1", {message}, {}, {}},
        {"", {}, {}, {}}, // reads as 0, the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        m_settings = MemorySettings();
        m_announced.take();
        open();
        EXPECT_EQ(box("keepDaysBox")->text(), "0");
        box("keepDaysBox")->setText(QString::fromLatin1(c.days));
        EXPECT_EQ(submit("10111", "10"), c.messages);
        EXPECT_EQ(m_settings.writes, c.writes);
        EXPECT_EQ(m_announced.take(), c.events);
        EXPECT_EQ(m_dialog->isVisible(), !c.messages.isEmpty()) << "refused values keep it open";
    }
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
