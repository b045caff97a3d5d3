#include "dialogs/TrackingLineDlg.h"

#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SortedCombo.h"
#include "dialogs/StationMessage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace corvane {

TrackingLineDlg::TrackingLineDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Tracking Line"));
    setFont(dialogFont(font()));
    setSizeGripEnabled(true);
    const DialogUnits units(font());

    auto* label = new QLabel(QStringLiteral("Duration :"), this);
    m_durations = new QComboBox(this);
    m_durations->setObjectName(QStringLiteral("durationCombo"));
    m_durations->setEditable(true);
    m_durations->setInsertPolicy(QComboBox::NoInsert);
    m_durations->setFixedWidth(units.x(68));
    for (const char* duration : trackingDurations)
        insertSorted(*m_durations, QString::fromLatin1(duration));
    m_durations->setCurrentIndex(-1);
    m_durations->setEditText(QString());

    auto* choice = new QHBoxLayout;
    choice->addWidget(label);
    choice->addWidget(m_durations);
    choice->addStretch(1);
    auto* buttons =
        makeConfirmButtons(*this, QStringLiteral("Show"), QStringLiteral("show"),
                           QStringLiteral("Cancel"), units.size(50, 14), units.x(10), units.x(5));
    // Fixed margins keep the controls where they are when the dialog is sized.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(12), units.y(8), units.x(6), units.y(5));
    layout->addLayout(choice);
    layout->addLayout(buttons);
    layout->addStretch(1);
    resize(units.size(142, 47));
}

void TrackingLineDlg::accept()
{
    if (!hasChoice()) {
        showStationMessage(this, QStringLiteral("Choose a duration"), QMessageBox::Warning);
        return;
    }
    QDialog::accept();
}

bool TrackingLineDlg::hasChoice() const
{
    const int index = m_durations->currentIndex();
    return index >= 0 && m_durations->currentText() == m_durations->itemText(index);
}

} // namespace corvane
