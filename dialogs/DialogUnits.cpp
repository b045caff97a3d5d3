#include "dialogs/DialogUnits.h"

namespace corvane {

QFont dialogFont(const QFont& base)
{
    QFont font(base);
    font.setPointSize(9);
    return font;
}

} // namespace corvane
