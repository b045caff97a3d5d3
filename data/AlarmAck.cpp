#include "data/AlarmAck.h"

#include "data/RowSet.h"

namespace corvane {

namespace {

// Cuts text to at most capacity bytes without splitting a UTF-8 sequence.
void keepWithin(std::string& text, std::size_t capacity)
{
    if (text.size() <= capacity)
        return;
    std::size_t end = capacity;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

const char* textOf(const RowSet& row, int column)
{
    const char* text = row.getText(column);
    return text != nullptr ? text : "";
}

} // namespace

void AlarmAck::load(const RowSet& row)
{
    loadColumns(row, 0);
}

void AlarmAck::loadColumns(const RowSet& row, int first)
{
    event_id = row.getInt64(first);
    wholeVehicle = false;
    acknowledged = textOf(row, first + 1);
    setOperator(textOf(row, first + 2));
    setNote(textOf(row, first + 3));
}

void AlarmAck::setNote(std::string text)
{
    keepWithin(text, noteCapacity);
    note = std::move(text);
}

void AlarmAck::setOperator(std::string text)
{
    keepWithin(text, operatorCapacity);
    operator_name = std::move(text);
}

} // namespace corvane
