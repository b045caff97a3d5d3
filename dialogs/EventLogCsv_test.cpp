#include "data/EventLog.h"
#include "data/VehicleInfo.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/EventLogSource.h"
#include "dialogs/LogDlg.h"
#include "testsupport/TempFolder.h"

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
    using Texts = std::vector<std::pair<std::string, std::string>>;

    explicit HostileEventSource(const Texts& names = {
                                    {"Truck, 12", "Cam \"front\""},
                                    {"O\"Brien\"", ","},
                                    {"Line\nbreak", "CR\r\nLF"},
                                    {"Straße Ω", " "},
                                    {"", "\"\""},
                                    {"plain", "trailing space "},
                                })
    {
        int type = 0;
        for (const auto& pair : names) {
            EventLog event;
            event.setName(pair.first.c_str());
            event.setTime("2011-05-31 13:45:30");
            event.setDeviceTitle(pair.second.c_str());
            event.event_type = type++ * 5; // 25 has no name
            events.push_back(event);
        }
    }
    void forEachVehicle(const std::function<void(const VehicleInfo&)>&) override {}
    std::size_t queryEvents(const char*) override { return events.size(); }
    void forEachEvent(std::size_t skip, std::size_t limit, const EventVisitor& visit) override
    {
        for (std::size_t i = skip; i < events.size() && i < skip + limit; ++i)
            visit(events[i], i < acks.size() ? acks[i] : std::nullopt);
    }
    std::u16string eventName(int code) override
    {
        return code < 14 ? u"Type, " + std::u16string(1, char16_t(u'0' + code % 10)) : u"";
    }
    AlarmKinds alarmKinds() override { return kinds; }

    std::vector<EventLog> events;
    std::vector<std::optional<AlarmAck>> acks; // by index, when set
    AlarmKinds kinds;
};

AlarmAck ack(const std::string& when, const std::string& who, const std::string& note)
{
    AlarmAck stored;
    stored.acknowledged = when;
    stored.operator_name = who;
    stored.note = note;
    return stored;
}

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
    // The first acknowledged, the second (type 5) an open alarm.
    source.acks = {ack("2011-06-01 10:00:00", "op, \"one\"", "said \"hi\",\r\nthen left")};
    source.kinds = AlarmKinds(1u << 5, 0);
    LogDlg dialog(source);
    auto* list = dialog.findChild<QTableWidget*>("eventList");
    ASSERT_EQ(list->rowCount(), 6);
    ASSERT_EQ(list->item(1, 4)->text(), "Open");
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
    EXPECT_TRUE(bytes.startsWith(
        "Vehicle Name,Date/Time,Event Type,Device Title,Acknowledged,Operator,Note\r\n"));
    EXPECT_TRUE(bytes.contains("\"O\"\"Brien\"\"\""));
}

TEST(EventLogCsv, CellsThatASpreadsheetWouldRunReadBackAsText)
{
    struct Case
    {
        std::string sent;
        std::string cell;
    };
    const Case cases[] = {
        {"=HYPERLINK(\"http://x/\",\"y\")", "'=HYPERLINK(\"http://x/\",\"y\")"},
        {"+1+1", "'+1+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1:A9)", "'@SUM(A1:A9)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "'\r=1"},
        {"a=1", "a=1"},
        {" =1", " =1"},
        {"'quoted", "'quoted"},
        {"", ""},
        {"=A1, \"q\"\nnext", "'=A1, \"q\"\nnext"},
    };
    HostileEventSource::Texts texts;
    for (const Case& c : cases)
        texts.push_back({c.sent, c.sent});
    TempFolder folder;
    HostileEventSource source(texts);
    // The operator's texts too: each event acknowledged with the case.
    for (const Case& c : cases)
        source.acks.push_back(ack("2011-06-01 10:00:00", c.sent, c.sent));
    LogDlg dialog(source);
    const QString path = QString::fromStdString(folder.file("events.csv"));
    ASSERT_TRUE(dialog.exportCsv(path));
    const QJsonArray rows = readBackWithPython(path);
    ASSERT_EQ(rows.size(), static_cast<qsizetype>(std::size(cases)) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].sent);
        const QJsonArray row = rows[static_cast<qsizetype>(i) + 1].toArray();
        ASSERT_EQ(row.size(), 7);
        // Name and device title are the sender's, operator and note the
        // operator's.
        for (int column : {0, 3, 5, 6})
            EXPECT_EQ(row[column].toString().toStdString(), cases[i].cell) << column;
    }
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
