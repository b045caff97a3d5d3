#include "data/AlarmAck.h"

#include "data/BoundedText.h"
#include "data/RowSet.h"

namespace corvane {

void AlarmAck::load(const RowSet& row)
{
    loadColumns(row, 0);
}

void AlarmAck::loadColumns(const RowSet& row, int first)
{
    event_id = row.getInt64(first);
    wholeVehicle = false;
    acknowledged = row.getTextOrEmpty(first + 1);
    setOperator(row.getTextOrEmpty(first + 2));
    setNote(row.getTextOrEmpty(first + 3));
}

void AlarmAck::setNote(std::string text)
{
    text.resize(boundedLength(text.data(), text.size(), noteCapacity));
    note = std::move(text);
}

void AlarmAck::setOperator(std::string text)
{
    text.resize(boundedLength(text.data(), text.size(), operatorCapacity));
    operator_name = std::move(text);
}

} // namespace corvane
