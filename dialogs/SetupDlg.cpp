#include "dialogs/SetupDlg.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SettingChangedEvent.h"
#include "dialogs/SetupRules.h"
#include "dialogs/SetupSettings.h"
#include "dialogs/StationMessage.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace corvane {

namespace {

QLineEdit* makeNumberBox(QWidget* parent, const QString& name, int minimumWidth)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setMinimumWidth(minimumWidth);
    return box;
}

} // namespace

SetupDlg::SetupDlg(SetupSettings& settings, QObject* mainWindow, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_mainWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("Setup"));
    setFont(dialogFont(font()));
    const DialogUnits units(font());

    auto* portLabel = new QLabel(QStringLiteral("Callback Port :"), this);
    m_portBox = makeNumberBox(this, QStringLiteral("portBox"), units.x(120));
    auto* timeoutLabel = new QLabel(QStringLiteral("Timeout :"), this);
    m_timeoutBox = makeNumberBox(this, QStringLiteral("timeoutBox"), units.x(120));
    auto* minuteLabel = new QLabel(QStringLiteral("minute"), this);
    auto* keepDaysLabel = new QLabel(QStringLiteral("Keep data :"), this);
    m_keepDaysBox = makeNumberBox(this, QStringLiteral("keepDaysBox"), units.x(120));
    m_keepDaysBox->setToolTip(QStringLiteral("0 keeps everything"));
    auto* daysLabel = new QLabel(QStringLiteral("days"), this);

    auto* fields = new QGridLayout;
    fields->addWidget(portLabel, 0, 0, Qt::AlignRight);
    fields->addWidget(m_portBox, 0, 1);
    fields->addWidget(timeoutLabel, 1, 0, Qt::AlignRight);
    fields->addWidget(m_timeoutBox, 1, 1);
    fields->addWidget(minuteLabel, 1, 2);
    fields->addWidget(keepDaysLabel, 2, 0, Qt::AlignRight);
    fields->addWidget(m_keepDaysBox, 2, 1);
    fields->addWidget(daysLabel, 2, 2);
    fields->setColumnMinimumWidth(2, units.x(23));
    auto* buttons = makeConfirmButtons(*this, QStringLiteral("OK"), QStringLiteral("ok"),
                                       QStringLiteral("Cancel"), units.size(49, 14), units.x(10));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(20), units.y(12), units.x(14), units.y(6));
    layout->addLayout(fields);
    layout->addSpacing(units.y(6));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_port = readSetting(portRule);
    m_portBox->setText(QString::number(m_port));
    m_timeout = readSetting(timeoutRule);
    m_timeoutBox->setText(QString::number(m_timeout));
    m_keepDays = readSetting(keepDaysRule);
    m_keepDaysBox->setText(QString::number(m_keepDays));
}

int SetupDlg::readSetting(const SettingRule& rule)
{
    try {
        return m_settings.readInt(rule.key, rule.defaultValue);
    } catch (const Exception& e) {
        // Without a settings file the station runs on its defaults.
        traceException(e);
        return rule.defaultValue;
    }
}

void SetupDlg::accept()
{
    if (apply(m_portBox, portRule, m_port, WM_PORT_CHANGED) == Outcome::Refused)
        return;
    if (apply(m_timeoutBox, timeoutRule, m_timeout, WM_TIMEOUT_CHANGED) == Outcome::Refused)
        return;
    if (apply(m_keepDaysBox, keepDaysRule, m_keepDays, WM_KEEP_DAYS_CHANGED) == Outcome::Refused)
        return;
    QDialog::accept();
}

SetupDlg::Outcome SetupDlg::apply(QLineEdit* box, const SettingRule& rule, int& current,
                                  int eventType)
{
    const int value = parseBoxNumber(box->text().toStdString());
    if (value == current)
        return Outcome::Unchanged;
    if (!rule.accepts(value)) {
        showStationMessage(this, QString::fromStdString(rule.rangeMessage()), QMessageBox::Warning);
        return Outcome::Refused;
    }
    try {
        m_settings.writeInt(rule.key, value);
    } catch (const Exception& e) {
        traceException(e);
        return Outcome::Refused;
    }
    // Only a stored value becomes current, so that a failed save is tried
    // again by the next OK.
    current = value;
    if (m_mainWindow != nullptr)
        QCoreApplication::postEvent(m_mainWindow,
                                    new SettingChangedEvent(QEvent::Type(eventType), value));
    return Outcome::Saved;
}

} // namespace corvane
