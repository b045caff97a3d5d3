#include "dialogs/SortedCombo.h"

#include <QComboBox>

namespace corvane {

int insertSorted(QComboBox& box, const QString& text, const QVariant& data)
{
    int position = 0;
    while (position < box.count() &&
           QString::compare(box.itemText(position), text, Qt::CaseInsensitive) <= 0)
        ++position;
    box.insertItem(position, text, data);
    return position;
}

} // namespace corvane
