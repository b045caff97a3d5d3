#include "dialogs/SetupDlg.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "callback/SenderFilter.h"
#include "dialogs/AlarmAttentionRules.h"
#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/SetupRules.h"
#include "dialogs/SetupSettings.h"
#include "dialogs/StationMessage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <climits>

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

SetupDlg::SetupDlg(SetupSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
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
    auto* sendersLabel = new QLabel(QStringLiteral("Allowed senders :"), this);
    m_sendersBox = new QLineEdit(this);
    m_sendersBox->setObjectName(QStringLiteral("allowedSendersBox"));
    m_sendersBox->setPlaceholderText(QStringLiteral("everyone"));
    m_sendersBox->setToolTip(
        QStringLiteral("IPv4 addresses and ranges, e.g. 192.0.2.7, 198.51.100.0/24"));
    fields->addWidget(sendersLabel, 3, 0, Qt::AlignRight);
    fields->addWidget(m_sendersBox, 3, 1);
    m_dropLabel = new QLabel(this);
    m_dropLabel->setObjectName(QStringLiteral("dropSummary"));
    m_dropLabel->setWordWrap(true);
    m_dropLabel->setVisible(false);
    fields->addWidget(m_dropLabel, 4, 0, 1, 3);
    auto* buttons = makeConfirmButtons(*this, QStringLiteral("OK"), QStringLiteral("ok"),
                                       QStringLiteral("Cancel"), units.size(49, 14), units.x(10));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(20), units.y(12), units.x(14), units.y(6));
    layout->addLayout(fields);
    layout->addSpacing(units.y(6));
    addAlarmKinds(*layout);
    layout->addSpacing(units.y(6));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_port = readSetting(portRule);
    m_portBox->setText(QString::number(m_port));
    m_timeout = readSetting(timeoutRule);
    m_timeoutBox->setText(QString::number(m_timeout));
    try {
        m_senders = m_settings.readText(SenderFilter::settingKey, "");
    } catch (const Exception& e) {
        traceException(e);
    }
    m_sendersBox->setText(QString::fromStdString(m_senders));
    m_keepDays = readSetting(keepDaysRule);
    m_keepDaysBox->setText(QString::number(m_keepDays));
}

void SetupDlg::setDropSummary(const QString& text)
{
    m_dropLabel->setText(text);
    m_dropLabel->setVisible(!text.isEmpty());
}

SetupDlg::Outcome SetupDlg::applySenders()
{
    const std::string value = m_sendersBox->text().trimmed().toStdString();
    if (value == m_senders)
        return Outcome::Unchanged;
    SenderFilter filter;
    std::string bad;
    if (!filter.parse(value, &bad)) {
        showStationMessage(this,
                           QStringLiteral("Allowed senders: \"%1\" is not an IPv4 address or range")
                               .arg(QString::fromStdString(bad)),
                           QMessageBox::Warning);
        return Outcome::Refused;
    }
    try {
        m_settings.writeText(SenderFilter::settingKey, value);
    } catch (const Exception& e) {
        traceException(e);
        return Outcome::Refused;
    }
    m_senders = value;
    return Outcome::Saved;
}

void SetupDlg::addAlarmKinds(QVBoxLayout& layout)
{
    auto* group = new QGroupBox(QStringLiteral("Alarms that flash and sound :"), this);
    group->setObjectName(QStringLiteral("alarmKinds"));
    auto* grid = new QGridLayout(group);
    // Every mask is one: unknown bits are dropped below.
    const SettingRule kindsRule{alarmKindsKey, defaultAlarmKinds, INT_MIN, INT_MAX, ""};
    m_alarmMask =
        static_cast<int>(knownAlarmKinds(static_cast<std::uint32_t>(readSetting(kindsRule))));
    const int rows = int(m_alarmKinds.size() + 1) / 2;
    for (std::size_t type = 0; type < m_alarmKinds.size(); ++type) {
        auto* box = new QCheckBox(QString::fromLatin1(alarmKindNames[type]), group);
        box->setObjectName(QStringLiteral("alarmKind%1").arg(type));
        box->setChecked((m_alarmMask >> type) & 1);
        grid->addWidget(box, int(type) % rows, int(type) / rows);
        m_alarmKinds[type] = box;
    }
    layout.addWidget(group);
}

bool SetupDlg::applyAlarmKinds()
{
    int mask = 0;
    for (std::size_t type = 0; type < m_alarmKinds.size(); ++type) {
        if (m_alarmKinds[type]->isChecked())
            mask |= 1 << type;
    }
    if (mask == m_alarmMask)
        return true;
    try {
        m_settings.writeInt(alarmKindsKey, mask);
    } catch (const Exception& e) {
        traceException(e);
        return false;
    }
    m_alarmMask = mask;
    emit alarmKindsChanged(static_cast<std::uint32_t>(mask));
    return true;
}

int SetupDlg::readSetting(const SettingRule& rule)
{
    try {
        const int value = m_settings.readInt(rule.key, rule.defaultValue);
        // A stored value out of range is not what the station runs on: it
        // took the default, and so the box shows that.
        return rule.accepts(value) ? value : rule.defaultValue;
    } catch (const Exception& e) {
        // Without a settings file the station runs on its defaults.
        traceException(e);
        return rule.defaultValue;
    }
}

void SetupDlg::accept()
{
    if (apply(m_portBox, portRule, m_port, &SetupDlg::portChanged) == Outcome::Refused)
        return;
    if (apply(m_timeoutBox, timeoutRule, m_timeout, &SetupDlg::timeoutChanged) == Outcome::Refused)
        return;
    if (apply(m_keepDaysBox, keepDaysRule, m_keepDays, &SetupDlg::keepDaysChanged) ==
        Outcome::Refused)
        return;
    if (applySenders() == Outcome::Refused)
        return;
    if (!applyAlarmKinds())
        return;
    QDialog::accept();
}

SetupDlg::Outcome SetupDlg::apply(QLineEdit* box, const SettingRule& rule, int& current,
                                  void (SetupDlg::*changed)(int))
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
    emit(this->*changed)(value);
    return Outcome::Saved;
}

} // namespace corvane
