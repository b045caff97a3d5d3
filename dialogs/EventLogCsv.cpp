#include "dialogs/EventLogCsv.h"

#include "data/EventLog.h"
#include "dialogs/CsvWriter.h"
#include "dialogs/EventLogSource.h"

namespace corvane {

QStringList EventLogCsv::header()
{
    return {QStringLiteral("Vehicle Name"), QStringLiteral("Date/Time"),
            QStringLiteral("Event Type"), QStringLiteral("Device Title")};
}

std::vector<QStringList> EventLogCsv::rows(EventLogSource& source, std::size_t count)
{
    std::vector<QStringList> result;
    result.reserve(count);
    source.forEachEvent(0, count, [&](const EventLog& event) {
        result.push_back({QString::fromUtf8(event.name), QString::fromUtf8(event.time),
                          QString::fromStdU16String(source.eventName(event.event_type)),
                          QString::fromUtf8(event.device_title)});
    });
    return result;
}

bool EventLogCsv::save(const QString& path, EventLogSource& source, std::size_t count,
                       QString& error)
{
    return CsvWriter::save(path, header(), rows(source, count), error);
}

} // namespace corvane
