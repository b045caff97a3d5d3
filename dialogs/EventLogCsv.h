#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace corvane {

class EventLogSource;

// The event log's current query as comma-separated text: the dialog's four
// columns as the header, then one row per loaded event, in the order the
// query returned them, with the texts the dialog shows.
//
// Ownership: borrows the source for the call. Threads: the source's thread.
// Throws: only std::bad_alloc.
class EventLogCsv
{
public:
    static QStringList header();

    // The first count loaded events of the source, as the dialog's rows.
    static std::vector<QStringList> rows(EventLogSource& source, std::size_t count);

    // Writes header and rows to path (CsvWriter); false with a reason in
    // error when the file cannot be written, which then is not left behind.
    static bool save(const QString& path, EventLogSource& source, std::size_t count,
                     QString& error);
};

} // namespace corvane
