#include "app/OperatorNotice.h"

#include "dialogs/StationMessage.h"

namespace corvane {

void openNoticeBox(QWidget* parent, const QString& name, QMessageBox::Icon icon,
                   const QString& text)
{
    auto* box =
        new QMessageBox(icon, QString::fromLatin1(stationCaption), text, QMessageBox::Ok, parent);
    box->setObjectName(name);
    // Notices quote senders' texts and system messages: never markup.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace corvane
