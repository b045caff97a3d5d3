#include "browser/testsupport/TileFileMaker.h"
#include "data/DatabaseException.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/SetupAnnouncements.h"
#include "dialogs/SetupDlg.h"
#include "dialogs/SetupSettings.h"
#include "testsupport/TempFolder.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <utility>
#include <vector>

// Failure messages show the texts compared.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << text.toStdString();
}

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
        // The station's own events, a choice of their own: Overspeed is bit 2.
        {{1002}, "", {{"page/ZoneAlarmKinds", 4}}, {{"zoneAlarmKinds", 4}}, true},
        {{1000}, "page/ZoneAlarmKinds", {}, {}, false},
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

TEST_F(SetupDlgTest, KeepDaysAndTheSpeedLimitAcceptTheirRangesAndAreAnnounced)
{
    const QString days = "Keep days must be between 0 ~ 3650";
    const QString speed = "Speed limit must be between 0 ~ 500 km/h";
    struct Case
    {
        const char* box;
        const char* value;
        QStringList messages;
        Writes writes;
        Events events;
    };
    const Case cases[] = {
        {"keepDaysBox", "0", {}, {}, {}}, // the default: nothing changed
        {"keepDaysBox", "3650", {}, {{"data/KeepDays", 3650}}, {{"keepDays", 3650}}},
        {"keepDaysBox", "1", {}, {{"data/KeepDays", 1}}, {{"keepDays", 1}}},
        {"keepDaysBox", "3651", {days}, {}, {}},
        {"keepDaysBox", "-1", {days}, {}, {}},
        {"keepDaysBox", "", {}, {}, {}}, // reads as 0, the default
        {"speedLimitBox", "50", {}, {{"rules/SpeedLimitKmh", 50}}, {{"speedLimit", 50}}},
        {"speedLimitBox", "500", {}, {{"rules/SpeedLimitKmh", 500}}, {{"speedLimit", 500}}},
        {"speedLimitBox", "501", {speed}, {}, {}},
        {"speedLimitBox", "0", {}, {}, {}}, // off, the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.value);
        m_settings = MemorySettings();
        m_announced.take();
        open();
        EXPECT_EQ(box(c.box)->text(), "0");
        box(c.box)->setText(QString::fromLatin1(c.value));
        EXPECT_EQ(submit("10111", "10"), c.messages);
        EXPECT_EQ(m_settings.writes, c.writes);
        EXPECT_EQ(m_announced.take(), c.events);
        EXPECT_EQ(m_dialog->isVisible(), !c.messages.isEmpty()) << "refused values keep it open";
    }
}

TEST_F(SetupDlgTest, ListLimitShowsWhatTheStationRunsOnAndSavesAChange)
{
    struct Case
    {
        std::optional<int> stored;
        int shown;
        int typed; // given to the spin box, which keeps to 101..10000
        const char* failingKey;
        Writes writes;
        Events events;
    };
    const Case cases[] = {
        {std::nullopt, 101, 101, "", {}, {}},
        {150, 150, 150, "", {}, {}},
        {150, 150, 99999, "", {{"page/ListLimit", 10000}}, {{"listLimit", 10000}}},
        {150, 150, 5, "", {{"page/ListLimit", 101}}, {{"listLimit", 101}}},
        // Out of range the station runs on the default, and the box shows it.
        {20000, 101, 500, "", {{"page/ListLimit", 500}}, {{"listLimit", 500}}},
        {100, 101, 101, "", {}, {}},
        {150, 150, 200, "page/ListLimit", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored.value_or(-1)) + " -> " + std::to_string(c.typed));
        m_settings = MemorySettings();
        m_settings.failingKey = c.failingKey;
        if (c.stored)
            m_settings.values["page/ListLimit"] = *c.stored;
        m_announced.take();
        open();
        auto* limit = m_dialog->findChild<QSpinBox*>("listLimitBox");
        ASSERT_NE(limit, nullptr);
        EXPECT_EQ(limit->value(), c.shown);
        limit->setValue(c.typed);
        EXPECT_EQ(submit("10111", "10"), QStringList());
        EXPECT_EQ(m_settings.writes, c.writes);
        EXPECT_EQ(m_announced.take(), c.events);
        EXPECT_EQ(m_dialog->isVisible(), *c.failingKey != '\0') << "a failed save keeps it open";
    }
}

// Tile files of every kind an operator may pick, made in a folder of their own.
struct TileFiles
{
    TileFiles()
    {
        const QByteArray tile = test::TileFileMaker::plainTile(Qt::green);
        EXPECT_TRUE(test::TileFileMaker::write(
            good, {{3, 4, 2, tile}, {4, 8, 5, tile}, {5, 16, 11, tile}, {5, 17, 11, tile}}));
        sqlite3* handle = nullptr;
        sqlite3_open(good.toUtf8().constData(), &handle);
        EXPECT_EQ(sqlite3_exec(handle,
                               "INSERT INTO metadata VALUES ('bounds', "
                               "'5.9561,45.8180,10.4921,47.8084')",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(handle);
        EXPECT_TRUE(test::TileFileMaker::write(empty, {}));
        EXPECT_TRUE(test::TileFileMaker::writePMTiles(pmtiles, {{2, 1, 1, tile}, {3, 2, 2, tile}}));
        EXPECT_TRUE(test::TileFileMaker::writePMTiles(vector, {{2, 1, 1, tile}}));
        QFile patched(vector);
        EXPECT_TRUE(patched.open(QIODevice::ReadWrite) && patched.seek(99));
        patched.write("\x01"); // vector tiles
        // A real file whose first page (the schema) is whole and whose tiles are overwritten.
        QFile source(good);
        EXPECT_TRUE(source.open(QIODevice::ReadOnly));
        write(corrupt, source.read(4096) + QByteArray(3 * 4096, '\xff'));
        write(text, "tiles: none\n");
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QString file(const char* name) const { return QString::fromStdString(folder.file(name)); }

    TempFolder folder;
    const QString good = file("alps.mbtiles");
    const QString empty = file("empty.mbtiles");
    const QString corrupt = file("corrupt.mbtiles");
    const QString text = file("notes.txt");
    const QString missing = file("missing.mbtiles");
    const QString pmtiles = file("region.pmtiles");
    const QString vector = file("streets.pmtiles");
};

QStringList lines(QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

TEST_F(SetupDlgTest, TileFilesAreListedOnlyWhenTheyReadAsMBTiles)
{
    TileFiles files;
    open();
    auto* list = m_dialog->findChild<QListWidget*>("tileFileList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    const QString refused = " is not a readable MBTiles file: ";
    const struct
    {
        QString path;
        QString message; // empty: listed
    } cases[] = {
        {files.missing, files.missing + refused + "cannot be opened (missing or unreadable)"},
        {files.text, files.text + refused + "not an SQLite file"},
        {files.corrupt, files.corrupt + refused + "tiles cannot be read"},
        {files.empty, files.empty + refused + "no tiles"},
        {files.vector, files.vector + " is not a readable PMTiles file: tile type is not raster "
                                      "png/jpg/webp (1)"},
        {files.good, ""},
        {files.pmtiles, ""},
        {files.good, files.good + " is already in the list"},
        {files.folder.path().c_str() + QString("/./alps.mbtiles"),
         files.good + " is already in the list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        test::ModalWatcher watcher;
        EXPECT_EQ(m_dialog->addTileFile(c.path), c.message.isEmpty());
        EXPECT_EQ(watcher.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
    EXPECT_EQ(
        lines(list),
        QStringList({files.good + "  (W 5.96 S 45.82 E 10.49 N 47.81, zoom 3 to 5, 4 tiles)",
                     files.pmtiles + "  (W 5.96 S 45.82 E 10.49 N 47.81, zoom 2 to 3, 2 tiles)"}));
    EXPECT_TRUE(m_announced.take().empty()) << "nothing before OK";

    EXPECT_EQ(submit("10111", "10"), QStringList());
    EXPECT_EQ(m_settings.texts["map/TileFiles"], (files.good + "\n" + files.pmtiles).toStdString());
    EXPECT_EQ(m_announced.take(), Events({{"tileFiles", 2}}));
    EXPECT_EQ(m_announced.tileFiles.back(), QStringList({files.good, files.pmtiles}));
}

TEST_F(SetupDlgTest, OkStoresExactlyTheListedTileFilesAndCancelNothing)
{
    TileFiles files;
    // As edited by hand: blanks and an empty line; the files are not there (now).
    const std::string stored = "  /media/usb/city.mbtiles \n\n/media/usb/region.mbtiles\n";
    m_settings.texts["map/TileFiles"] = stored;
    auto select = [this](int row) {
        auto* list = m_dialog->findChild<QListWidget*>("tileFileList");
        list->clearSelection();
        list->item(row)->setSelected(true);
    };
    auto remove = [this] {
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("removeTileFile"), Qt::LeftButton);
    };

    open();
    auto* list = m_dialog->findChild<QListWidget*>("tileFileList");
    EXPECT_EQ(lines(list), QStringList({"/media/usb/city.mbtiles  (cannot be read now)",
                                        "/media/usb/region.mbtiles  (cannot be read now)"}));
    EXPECT_TRUE(list->item(0)->toolTip().contains("missing or unreadable"));
    EXPECT_FALSE(m_dialog->findChild<QPushButton*>("removeTileFile")->isEnabled());
    // Unchanged: nothing is rewritten.
    EXPECT_EQ(submit("10111", "10"), QStringList());
    EXPECT_EQ(m_settings.texts["map/TileFiles"], stored);
    EXPECT_TRUE(m_announced.take().empty());

    // Changed, then cancelled (nothing stored) or kept (the remaining lines, in their order).
    for (const bool keep : {false, true}) {
        open();
        EXPECT_TRUE(m_dialog->addTileFile(files.good));
        select(0);
        remove();
        if (keep)
            EXPECT_EQ(submit("10111", "10"), QStringList());
        else
            QTest::mouseClick(m_dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
        EXPECT_EQ(m_settings.texts["map/TileFiles"],
                  keep ? "/media/usb/region.mbtiles\n" + files.good.toStdString() : stored);
        EXPECT_EQ(m_announced.take(), keep ? Events({{"tileFiles", 2}}) : Events());
    }

    // A failed save keeps the dialog open and tells nothing.
    open();
    select(1);
    remove();
    m_settings.failingKey = "map/TileFiles";
    EXPECT_EQ(submit("10111", "10"), QStringList());
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_TRUE(m_announced.take().empty());
}

TEST_F(SetupDlgTest, CacheSizeIsSavedOnOkAndClearingAsksFirst)
{
    open();
    auto* cache = m_dialog->findChild<QSpinBox*>("cacheSizeBox");
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->value(), 1024);
    EXPECT_EQ(cache->minimum(), 0);
    EXPECT_EQ(cache->maximum(), 1048576);
    cache->setValue(0);
    EXPECT_EQ(submit("10111", "10"), QStringList());
    EXPECT_EQ(m_settings.writes, Writes({{"map/CacheMB", 0}}));
    EXPECT_EQ(m_announced.take(), Events({{"tileCache", 0}}));

    open();
    EXPECT_EQ(m_dialog->findChild<QSpinBox*>("cacheSizeBox")->value(), 0);
    QStringList questions;
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        test::ModalWatcher watcher([&](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (box == nullptr || box->objectName() != "question")
                return false;
            questions << box->text();
            box->button(answer)->click();
            return true;
        });
        QTest::mouseClick(m_dialog->findChild<QPushButton*>("clearCache"), Qt::LeftButton);
    }
    EXPECT_EQ(questions, QStringList(2, "Delete every map tile kept in the cache?"));
    // At once, and a Cancel afterwards does not take it back.
    EXPECT_EQ(m_announced.take(), Events({{"cacheClear", 0}}));
    QTest::mouseClick(m_dialog->findChild<QPushButton*>("cancel"), Qt::LeftButton);
    EXPECT_EQ(m_settings.writes, Writes({{"map/CacheMB", 0}}));
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
