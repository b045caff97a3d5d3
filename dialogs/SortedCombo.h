#pragma once

#include <QVariant>

class QComboBox;
class QString;

namespace corvane {

// Adds text to a combo box whose entries are kept sorted without regard to
// letter case; an entry equal to existing ones goes after them. Returns the
// entry's position.
//
// Threads: the GUI thread. Throws: never but std::bad_alloc.
int insertSorted(QComboBox& box, const QString& text, const QVariant& data = QVariant());

} // namespace corvane
