#include "dialogs/StationMessage.h"

namespace corvane {

void showStationMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QString::fromLatin1(stationCaption), text, QMessageBox::Ok, parent);
    // Messages quote file names and senders' texts: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace corvane
