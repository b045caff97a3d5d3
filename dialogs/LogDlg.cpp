#include "dialogs/LogDlg.h"

#include "base/Date.h"
#include "base/Exception.h"
#include "base/Trace.h"
#include "base/UniqueID.h"
#include "data/EventLog.h"
#include "data/VehicleInfo.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/EventLogColumns.h"
#include "dialogs/EventLogCsv.h"
#include "dialogs/EventLogRules.h"
#include "dialogs/EventLogSource.h"
#include "dialogs/SortedCombo.h"
#include "dialogs/StationMessage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

Q_DECLARE_METATYPE(corvane::UniqueID)

namespace corvane {

namespace {

constexpr int timeColumn = EventLogColumns::DateTime;
constexpr int fixedColumnsWidth = 502;

QTableWidgetItem* centredItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// The note reads from its start and is elided at its end; the tool-tip holds
// all of it. A tool-tip that looks like markup would be rendered as such, so
// the note goes in as escaped plain text.
QTableWidgetItem* noteItem(const QString& note)
{
    auto* item = centredItem(note);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (!note.isEmpty())
        item->setToolTip(Qt::convertFromPlainText(note, Qt::WhiteSpacePre));
    return item;
}

QDateEdit* makeDatePicker(QWidget* parent)
{
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    picker->setCalendarPopup(false);
    picker->setEnabled(false);
    return picker;
}

Date toDate(const QDate& date)
{
    return Date(date.year(), date.month(), date.day());
}

} // namespace

LogDlg::LogDlg(EventLogSource& source, QWidget* parent) : QDialog(parent), m_source(source)
{
    setWindowTitle(QStringLiteral("Log"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    setFont(dialogFont(font()));
    buildWidgets();

    const DialogUnits units(font());
    resize(units.size(386, 307));
    setMinimumSize(size());
    layout()->activate();
    // The device title takes what the fixed columns leave of the list's
    // initial width.
    const int titleWidth = m_list->width() - 2 * m_list->frameWidth() -
                           style()->pixelMetric(QStyle::PM_ScrollBarExtent) - fixedColumnsWidth;
    m_list->setColumnWidth(EventLogColumns::DeviceTitle, std::max(titleWidth, 0));

    fillVehicles();
    readAlarmKinds();
    load(nullptr);
    showCurrentPage();
}

LogDlg::~LogDlg() = default;

void LogDlg::buildWidgets()
{
    const DialogUnits units(font());

    m_fromCheck = new QCheckBox(QStringLiteral(" From :"), this);
    m_fromCheck->setObjectName(QStringLiteral("fromCheck"));
    m_fromDate = makeDatePicker(this);
    m_fromDate->setObjectName(QStringLiteral("fromDate"));
    m_toCheck = new QCheckBox(QStringLiteral(" To :"), this);
    m_toCheck->setObjectName(QStringLiteral("toCheck"));
    m_toDate = makeDatePicker(this);
    m_toDate->setObjectName(QStringLiteral("toDate"));
    auto* vehicleLabel = new QLabel(QStringLiteral("Vehicle name :"), this);
    m_vehicles = new QComboBox(this);
    m_vehicles->setObjectName(QStringLiteral("vehicleCombo"));
    m_vehicles->setEditable(false);
    m_openOnly = new QCheckBox(QStringLiteral("Open alarms only"), this);
    m_openOnly->setObjectName(QStringLiteral("openAlarmsCheck"));
    m_search = new QPushButton(QStringLiteral("Search"), this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setDefault(true);

    m_list = new QTableWidget(0, EventLogColumns::Count, this);
    m_list->setObjectName(QStringLiteral("eventList"));
    m_list->setHorizontalHeaderLabels(EventLogColumns::headings());
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Only the Date/Time heading reacts: it turns the order (newest first
    // and back); the others stay plain.
    m_list->horizontalHeader()->setSectionsClickable(true);
    m_list->horizontalHeader()->setSortIndicatorShown(false);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (column == timeColumn)
            turnOrder();
    });
    // The note, last, takes what the list has to spare.
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->setVisible(false);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_list->setShowGrid(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSortingEnabled(false);
    m_list->setColumnWidth(0, 200);
    m_list->setColumnWidth(1, 150);
    m_list->setColumnWidth(2, 150);
    m_list->setColumnWidth(EventLogColumns::Acknowledged, 150);
    m_list->setColumnWidth(EventLogColumns::Operator, 100);
    m_list->setColumnWidth(EventLogColumns::Note, 200);

    static const char* const pagingTexts[EventPager::ButtonCount] = {"<<", "<", ">", ">>"};
    static const char* const pagingNames[EventPager::ButtonCount] = {"first", "previous", "next",
                                                                     "last"};
    for (int i = 0; i < EventPager::ButtonCount; ++i) {
        m_paging[i] = new QPushButton(QString::fromLatin1(pagingTexts[i]), this);
        m_paging[i]->setObjectName(QString::fromLatin1(pagingNames[i]));
        m_paging[i]->setAutoDefault(false);
        m_paging[i]->setFixedSize(units.size(17, 15));
        const auto button = static_cast<EventPager::Button>(i);
        connect(m_paging[i], &QPushButton::clicked, this, [this, button] { press(button); });
    }
    m_counter = new QLabel(QStringLiteral("/"), this);
    m_counter->setObjectName(QStringLiteral("pageCounter"));
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setMinimumWidth(units.x(35));
    m_export = new QPushButton(QStringLiteral("Export CSV..."), this);
    m_export->setObjectName(QStringLiteral("exportCsv"));
    m_export->setAutoDefault(false);

    // Tab order follows the creation order above: dates, vehicle, open
    // alarms, search, list, paging.
    auto* criteria = new QGridLayout;
    criteria->addWidget(m_fromCheck, 0, 0);
    criteria->addWidget(m_fromDate, 0, 1);
    auto* toRow = new QHBoxLayout;
    toRow->addStretch(1);
    toRow->addWidget(m_toCheck);
    toRow->addWidget(m_toDate);
    criteria->addLayout(toRow, 0, 2);
    criteria->addWidget(vehicleLabel, 1, 0);
    criteria->addWidget(m_vehicles, 1, 1, 1, 2);
    criteria->addWidget(m_openOnly, 2, 1, 1, 2, Qt::AlignLeft);
    criteria->addWidget(m_search, 0, 3, 3, 1, Qt::AlignVCenter);
    criteria->setColumnStretch(2, 1);
    m_fromDate->setMinimumWidth(units.x(78));
    m_toDate->setMinimumWidth(units.x(78));
    m_search->setMinimumSize(units.size(60, 15));

    auto* paging = new QHBoxLayout;
    paging->setSpacing(units.x(1));
    paging->addWidget(m_paging[EventPager::First]);
    paging->addWidget(m_paging[EventPager::Previous]);
    paging->addWidget(m_counter);
    paging->addWidget(m_paging[EventPager::Next]);
    paging->addWidget(m_paging[EventPager::Last]);
    paging->addStretch(1);
    paging->addWidget(m_export);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(7), units.y(7), units.x(7), units.y(7));
    layout->addLayout(criteria);
    layout->addWidget(m_list, 1);
    layout->addLayout(paging);

    connect(m_fromCheck, &QCheckBox::toggled, m_fromDate, &QWidget::setEnabled);
    connect(m_toCheck, &QCheckBox::toggled, m_toDate, &QWidget::setEnabled);
    connect(m_search, &QPushButton::clicked, this, &LogDlg::search);
    connect(m_export, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                                          QStringLiteral("events.csv"),
                                                          QStringLiteral("CSV File(*.csv)"));
        if (!path.isEmpty())
            exportCsv(path);
    });
}

bool LogDlg::exportCsv(const QString& path)
{
    QString error;
    try {
        if (EventLogCsv::save(path, m_source, m_alarmKinds, m_loaded, error))
            return true;
    } catch (const Exception& e) {
        // The events could not be read; nothing was written.
        traceException(e);
        error = QString::fromUtf8(e.getMessage());
    }
    showStationMessage(this,
                       QStringLiteral("The events could not be written to %1: %2").arg(path, error),
                       QMessageBox::Warning);
    return false;
}

void LogDlg::fillVehicles()
{
    m_vehicles->clear();
    m_source.forEachVehicle([this](const VehicleInfo& vehicle) {
        // Equal texts are all listed, each entry with its own identifier.
        insertSorted(*m_vehicles, QString::fromStdString(vehicleEntryText(vehicle)),
                     QVariant::fromValue(vehicle.id));
    });
    m_vehicles->insertItem(0, QStringLiteral("(All Vehicles)"));
    m_vehicles->setCurrentIndex(0);
}

void LogDlg::search()
{
    Date from;
    Date to;
    if (m_fromCheck->isChecked())
        from = toDate(m_fromDate->date());
    if (m_toCheck->isChecked())
        to = toDate(m_toDate->date());
    UniqueID vehicle = UniqueID::zero();
    const int chosen = m_vehicles->currentIndex();
    const bool oneVehicle = chosen > 0;
    if (oneVehicle)
        vehicle = m_vehicles->itemData(chosen).value<UniqueID>();

    readAlarmKinds();
    FormatableBuffer<eventConditionCapacity> condition;
    formatEventCondition(condition, from.isSet() ? &from : nullptr, to.isSet() ? &to : nullptr,
                         oneVehicle ? &vehicle : nullptr,
                         m_openOnly->isChecked() ? &m_alarmKinds : nullptr);
    load(condition.getText());
    showCurrentPage();
    if (m_list->rowCount() == 0)
        showStationMessage(this, QStringLiteral("No data found."), QMessageBox::Information);
}

void LogDlg::readAlarmKinds()
{
    try {
        m_alarmKinds = m_source.alarmKinds();
    } catch (const Exception& e) {
        traceException(e);
        m_alarmKinds = AlarmKinds();
    }
}

void LogDlg::load(const char* condition)
{
    try {
        m_loaded = m_source.queryEvents(condition);
    } catch (const Exception& e) {
        traceException(e);
        m_loaded = 0;
    }
    m_pager.reset(m_loaded);
}

void LogDlg::press(EventPager::Button button)
{
    if (m_pager.press(button))
        showCurrentPage();
}

void LogDlg::showCurrentPage()
{
    updatePagingWidgets();
    m_list->setRowCount(0);
    const std::size_t skip = m_pager.firstEventIndex();
    if (skip >= m_loaded)
        return;
    const std::size_t rows = std::min<std::size_t>(eventsPerPage, m_loaded - skip);
    // Newest first, page p holds the stored rows counted back from the end,
    // each added above the one before.
    const std::size_t first = m_newestFirst ? m_loaded - skip - rows : skip;
    try {
        m_source.forEachEvent(
            first, rows, [this](const EventLog& event, const std::optional<AlarmAck>& ack) {
                const int row = m_newestFirst ? 0 : m_list->rowCount();
                m_list->insertRow(row);
                const QStringList texts =
                    EventLogColumns::texts(m_source, m_alarmKinds, event, ack);
                for (int column = 0; column < EventLogColumns::Note; ++column)
                    m_list->setItem(row, column, centredItem(texts[column]));
                m_list->setItem(row, EventLogColumns::Note, noteItem(texts[EventLogColumns::Note]));
            });
    } catch (const Exception& e) {
        // The page is read when shown; a failure shows an empty page.
        traceException(e);
        m_list->setRowCount(0);
    }
}

void LogDlg::turnOrder()
{
    m_newestFirst = !m_newestFirst;
    m_list->horizontalHeader()->setSortIndicatorShown(m_newestFirst);
    m_list->horizontalHeader()->setSortIndicator(timeColumn, Qt::DescendingOrder);
    m_pager.reset(m_loaded);
    showCurrentPage();
}

void LogDlg::updatePagingWidgets()
{
    for (int i = 0; i < EventPager::ButtonCount; ++i)
        m_paging[i]->setEnabled(m_pager.isEnabled(static_cast<EventPager::Button>(i)));
    m_counter->setText(QString::fromStdString(m_pager.counterText()));
}

} // namespace corvane
