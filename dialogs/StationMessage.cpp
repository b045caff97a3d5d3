#include "dialogs/StationMessage.h"

namespace corvane {

void showStationMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QString::fromLatin1(stationCaption), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace corvane
