#include "dialogs/StationMessage.h"

namespace corvane {

void showStationMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QString::fromLatin1(stationCaption), text, QMessageBox::Ok, parent);
    // Messages quote file names and senders' texts: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool askStationQuestion(QWidget* parent, const QString& question)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(stationCaption), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    box.setObjectName(QStringLiteral("question"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace corvane
