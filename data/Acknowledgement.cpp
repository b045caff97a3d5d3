#include "data/Acknowledgement.h"

#include "data/RowSet.h"

namespace corvane {

namespace {

std::string textOf(const RowSet& row, int column)
{
    const char* text = row.getText(column);
    return text != nullptr ? text : "";
}

} // namespace

void Acknowledgement::load(const RowSet& row, int first)
{
    acknowledged = textOf(row, first);
    operator_name = textOf(row, first + 1);
    note = textOf(row, first + 2);
}

} // namespace corvane
