#include "dialogs/TrackingLineDlg.h"

#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SortedCombo.h"
#include "dialogs/StationMessage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
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
    connect(m_durations->lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    // Installed after the combo box's own filters, so these run first and see
    // the operator's pick before the box acts on it.
    m_durations->view()->installEventFilter(this);
    m_durations->view()->viewport()->installEventFilter(this);
    m_durations->lineEdit()->installEventFilter(this);
    m_durations->installEventFilter(this);

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

bool TrackingLineDlg::eventFilter(QObject* watched, QEvent* event)
{
    const bool inList =
        watched == m_durations->view() || watched == m_durations->view()->viewport();
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (inList)
            m_typed = false;
        break;
    case QEvent::Wheel:
        if (watched == m_durations)
            m_typed = false;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool picks = key == Qt::Key_Return || key == Qt::Key_Enter;
        const bool steps = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                           key == Qt::Key_PageDown;
        if ((inList && picks) || (!inList && steps))
            m_typed = false;
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

bool TrackingLineDlg::hasChoice() const
{
    const int index = m_durations->currentIndex();
    return !m_typed && index >= 0 && m_durations->currentText() == m_durations->itemText(index);
}

} // namespace corvane
