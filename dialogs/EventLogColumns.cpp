#include "dialogs/EventLogColumns.h"

#include "data/EventLog.h"
#include "dialogs/AlarmKinds.h"
#include "dialogs/EventLogSource.h"

namespace corvane {

QStringList EventLogColumns::headings()
{
    return {QStringLiteral("Vehicle Name"), QStringLiteral("Date/Time"),
            QStringLiteral("Event Type"),   QStringLiteral("Device Title"),
            QStringLiteral("Acknowledged"), QStringLiteral("Operator"),
            QStringLiteral("Note")};
}

QStringList EventLogColumns::texts(EventLogSource& source, const AlarmKinds& kinds,
                                   const EventLog& event, const std::optional<AlarmAck>& ack)
{
    QStringList texts = {QString::fromUtf8(event.name), QString::fromUtf8(event.time),
                         QString::fromStdU16String(source.eventName(event.event_type)),
                         QString::fromUtf8(event.device_title)};
    if (ack) {
        texts << QString::fromStdString(ack->acknowledged)
              << QString::fromStdString(ack->operator_name) << QString::fromStdString(ack->note);
    } else {
        texts << (kinds.contains(event.event_type) ? QStringLiteral("Open") : QString())
              << QString() << QString();
    }
    return texts;
}

} // namespace corvane
