#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace corvane {

class AlarmKinds;
class EventLogSource;

// The event log's current query as comma-separated text: the dialog's seven
// columns as the header (EventLogColumns), then one row per loaded event, in
// the order the query returned them, with the texts the dialog shows.
//
// Ownership: borrows the source for the call. Threads: the source's thread.
// Throws: DatabaseException when the source cannot read the events (rows
// and save), otherwise only std::bad_alloc.
class EventLogCsv
{
public:
    static QStringList header();

    // The first count loaded events of the source, as the dialog's rows;
    // kinds are the alarm kinds the dialog marks open alarms by.
    static std::vector<QStringList> rows(EventLogSource& source, const AlarmKinds& kinds,
                                         std::size_t count);

    // Writes header and rows to path (CsvWriter); false with a reason in
    // error when the file cannot be written, which then is not left behind.
    static bool save(const QString& path, EventLogSource& source, const AlarmKinds& kinds,
                     std::size_t count, QString& error);
};

} // namespace corvane
