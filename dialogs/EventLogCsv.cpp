#include "dialogs/EventLogCsv.h"

#include "dialogs/CsvWriter.h"
#include "dialogs/EventLogColumns.h"
#include "dialogs/EventLogSource.h"

namespace corvane {

QStringList EventLogCsv::header()
{
    return EventLogColumns::headings();
}

std::vector<QStringList> EventLogCsv::rows(EventLogSource& source, const AlarmKinds& kinds,
                                           std::size_t count)
{
    std::vector<QStringList> result;
    result.reserve(count);
    source.forEachEvent(0, count, [&](const EventLog& event, const std::optional<AlarmAck>& ack) {
        result.push_back(EventLogColumns::texts(source, kinds, event, ack));
    });
    return result;
}

bool EventLogCsv::save(const QString& path, EventLogSource& source, const AlarmKinds& kinds,
                       std::size_t count, QString& error)
{
    return CsvWriter::save(path, header(), rows(source, kinds, count), error);
}

} // namespace corvane
