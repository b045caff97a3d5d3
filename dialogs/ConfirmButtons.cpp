#include "dialogs/ConfirmButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace corvane {

QHBoxLayout* makeConfirmButtons(QDialog& dialog, const QString& confirmText,
                                const QString& confirmName, const QString& cancelText,
                                QSize buttonSize, int gap, int indent)
{
    auto* confirm = new QPushButton(confirmText, &dialog);
    confirm->setObjectName(confirmName);
    confirm->setDefault(true);
    confirm->setFixedSize(buttonSize);
    auto* cancel = new QPushButton(cancelText, &dialog);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setFixedSize(buttonSize);
    QObject::connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    if (indent < 0)
        row->addStretch(1);
    else
        row->addSpacing(indent);
    row->addWidget(confirm);
    row->addSpacing(gap);
    row->addWidget(cancel);
    row->addStretch(1);
    return row;
}

} // namespace corvane
