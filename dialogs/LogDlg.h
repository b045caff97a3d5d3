#pragma once

#include "dialogs/AlarmKinds.h"
#include "dialogs/EventPager.h"

#include <QDialog>
#include <cstddef>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace corvane {

class EventLogSource;

// The event log: the operator picks an optional date range and a vehicle,
// may ask for the open alarms only, searches, and pages through the
// matching events 100 rows at a time. Events come in stored order (oldest
// first); a click on the Date/Time heading turns the order to newest first
// and back, from page 1. Only the page shown is read from the source.
//
// Each row shows, after the event's four columns, its acknowledgement
// (EventLogColumns): when, by whom, the note (elided, whole in the
// tool-tip, always as plain text), or "Open" for an alarm without one. The
// alarm kinds are read from the source at every search (and on opening);
// when they cannot be read no kind counts as an alarm.
//
// On construction it lists the vehicles (deleted ones as "name (deleted)",
// sorted, "(All Vehicles)" first and chosen) and shows every stored event.
// A query that fails is traced and shows an empty list; the dialog stays
// usable.
//
// Ownership: borrows the source, which must outlive the dialog. The vehicle
// entries own copies of their identifiers. Threads: the GUI thread.
// Throws: never but std::bad_alloc.
class LogDlg : public QDialog
{
public:
    explicit LogDlg(EventLogSource& source, QWidget* parent = nullptr);
    ~LogDlg() override;

    // Writes every row of the current query to path as comma-separated text
    // (the "Export CSV..." button asks for the path first). On failure tells
    // the operator why and returns false; no partial file is left.
    bool exportCsv(const QString& path);

private:
    void buildWidgets();
    void fillVehicles();
    void search();
    // The source's alarm kinds, or none when they cannot be read.
    void readAlarmKinds();
    // Runs the query, treating a failed one as an empty result.
    void load(const char* condition);
    void press(EventPager::Button button);
    void showCurrentPage();
    // The Date/Time heading was clicked: newest first, or back to stored order.
    void turnOrder();
    void updatePagingWidgets();

    EventLogSource& m_source;
    EventPager m_pager;
    std::size_t m_loaded = 0;
    bool m_newestFirst = false;
    AlarmKinds m_alarmKinds;

    QCheckBox* m_fromCheck = nullptr;
    QDateEdit* m_fromDate = nullptr;
    QCheckBox* m_toCheck = nullptr;
    QDateEdit* m_toDate = nullptr;
    QComboBox* m_vehicles = nullptr;
    QCheckBox* m_openOnly = nullptr;
    QPushButton* m_search = nullptr;
    QTableWidget* m_list = nullptr;
    QPushButton* m_paging[EventPager::ButtonCount] = {};
    QLabel* m_counter = nullptr;
    QPushButton* m_export = nullptr;
};

} // namespace corvane
