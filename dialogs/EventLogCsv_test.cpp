#include "data/EventLog.h"
#include "testsupport/TempFolder.h"
#include "data/VehicleInfo.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/EventLogSource.h"
#include "dialogs/LogDlg.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// A fixed set of events whose texts need every kind of CSV quoting.
class HostileEventSource final : public EventLogSource
{
public:
    HostileEventSource()
    {
        const char* const names[][2] = {
            {"Truck, 12", "Cam \"front\""},
            {"O\"Brien\"", ","},
            {"Line\nbreak", "CR\r\nLF"},
            {"Straße Ω", " "},
            {"", "\"\""},
            {"plain", "trailing space "},
        };
        int type = 0;
        for (const auto& pair : names) {
            EventLog event;
            event.setName(pair[0]);
            event.setTime("2011-05-31 13:45:30");
            event.setDeviceTitle(pair[1]);
            event.event_type = type++ * 5; // 25 has no name
            events.push_back(event);
        }
    }
    void forEachVehicle(const std::function<void(const VehicleInfo&)>&) override {}
    std::size_t queryEvents(const char*) override { return events.size(); }
    void forEachEvent(std::size_t skip, std::size_t limit,
                      const std::function<void(const EventLog&)>& visit) override
    {
        for (std::size_t i = skip; i < events.size() && i < skip + limit; ++i)
            visit(events[i]);
    }
    std::u16string eventName(int code) override
    {
        return code < 14 ? u"Type, " + std::u16string(1, char16_t(u'0' + code % 10)) : u"";
    }

    std::vector<EventLog> events;
};

QJsonArray readBackWithPython(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {"-c",
                  "import csv, json, sys\n"
                  "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                  "    print(json.dumps(list(csv.reader(f))))\n",
                  path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST(EventLogCsv, ReadBackEqualsTheDialogsRows)
{
    TempFolder folder;
    HostileEventSource source;
    LogDlg dialog(source);
    auto* list = dialog.findChild<QTableWidget*>("eventList");
    ASSERT_EQ(list->rowCount(), 6);
    ASSERT_NE(dialog.findChild<QPushButton*>("exportCsv"), nullptr);

    const QString path = QString::fromStdString(folder.file("events.csv"));
    ASSERT_TRUE(dialog.exportCsv(path));
    const QJsonArray rows = readBackWithPython(path);
    ASSERT_EQ(rows.size(), list->rowCount() + 1);
    QJsonArray header;
    for (int c = 0; c < list->columnCount(); ++c)
        header.append(list->horizontalHeaderItem(c)->text());
    EXPECT_EQ(rows[0].toArray(), header);
    for (int r = 0; r < list->rowCount(); ++r) {
        QJsonArray shown;
        for (int c = 0; c < list->columnCount(); ++c)
            shown.append(list->item(r, c)->text());
        EXPECT_EQ(rows[r + 1].toArray(), shown) << r;
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("Vehicle Name,Date/Time,Event Type,Device Title\r\n"));
    EXPECT_TRUE(bytes.contains("\"O\"\"Brien\"\"\""));
}

TEST(EventLogCsv, UnwritablePathTellsTheOperatorAndLeavesNoFile)
{
    TempFolder folder;
    const QString blocker = QString::fromStdString(folder.file("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    HostileEventSource source;
    LogDlg dialog(source);
    test::ModalWatcher watcher;
    EXPECT_FALSE(dialog.exportCsv(blocker + "/events.csv"));
    ASSERT_EQ(watcher.messages().size(), 1u);
    EXPECT_TRUE(watcher.messages()[0].text.startsWith("The events could not be written to "));
    EXPECT_FALSE(QFile::exists(blocker + "/events.csv"));
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
