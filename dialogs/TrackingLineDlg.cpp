#include "dialogs/TrackingLineDlg.h"

#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SortedCombo.h"
#include "dialogs/StationMessage.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
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
    addRangeFields();
    resize(units.size(142, 47).expandedTo(sizeHint()));
}

void TrackingLineDlg::addRangeFields()
{
    m_rangeCheck = new QCheckBox(QStringLiteral(" From :"), this);
    m_rangeCheck->setObjectName(QStringLiteral("rangeCheck"));
    const QDateTime now = QDateTime::currentDateTime();
    auto makeEdit = [this](const QDateTime& value, const QString& name) {
        auto* edit = new QDateTimeEdit(value, this);
        edit->setObjectName(name);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setEnabled(false);
        connect(m_rangeCheck, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        return edit;
    };
    m_from = makeEdit(now.addSecs(-3600), QStringLiteral("fromTime"));
    m_to = makeEdit(now, QStringLiteral("toTime"));
    auto* range = new QGridLayout;
    range->addWidget(m_rangeCheck, 0, 0);
    range->addWidget(m_from, 0, 1);
    range->addWidget(new QLabel(QStringLiteral(" To :"), this), 1, 0);
    range->addWidget(m_to, 1, 1);
    // Above the buttons, under the duration.
    static_cast<QVBoxLayout*>(layout())->insertLayout(1, range);
}

bool TrackingLineDlg::rangeChosen() const
{
    return m_rangeCheck->isChecked();
}

QDateTime TrackingLineDlg::from() const
{
    return m_from->dateTime();
}

QDateTime TrackingLineDlg::to() const
{
    return m_to->dateTime();
}

qint64 TrackingLineDlg::durationSeconds() const
{
    if (!hasChoice())
        return 0;
    // "N Hours" or "N Days".
    const QStringList parts = m_durations->currentText().split(QLatin1Char(' '));
    const qint64 count = parts.value(0).toLongLong();
    return parts.value(1) == QLatin1String("Days") ? count * 86400 : count * 3600;
}

void TrackingLineDlg::accept()
{
    if (rangeChosen()) {
        if (from() > to())
            showStationMessage(this, QStringLiteral("From must not be later than To"),
                               QMessageBox::Warning);
        else
            QDialog::accept();
        return;
    }
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
