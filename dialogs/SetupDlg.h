#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace corvane {

class SetupSettings;
struct SettingRule;

// The station's setup: the callback port (1500 to 32000), the callback
// time-out in minutes (1 to 28800), the days of GPS samples and events
// app.db keeps (0 to 3650; 0 keeps everything) and the senders the station takes datagrams from
// (IPv4 addresses and ranges; empty for everyone). Below them a line tells what the station has
// dropped (setDropSummary).
//
// OK saves each value that differs from the one shown at opening (or last
// saved) in a transaction of its own and emits portChanged, timeoutChanged or
// keepDaysChanged with the saved value; the senders are only saved (whoever
// opened the dialog reads them when it has closed). A
// list that does not read is refused with a message naming the bad entry. A value out
// of range is refused with a message box and keeps the dialog open; a port
// saved before the time-out was refused stays saved and announced. A save
// that fails is traced, keeps the dialog open and emits nothing; OK may then
// be pressed again. Nothing is written when nothing changed.
//
// Below them, a checklist of the event types whose alarms call for attention
// on the page ("page/AlarmKinds"); a changed choice is saved on OK and
// announced with alarmKindsChanged (the mask, AlarmAttentionRules.h).
//
// The signals are emitted from inside accept(), before the dialog closes, in
// the order of the boxes; a slot must not delete the dialog.
//
// Ownership: borrows the settings, which must outlive the dialog.
// Threads: the GUI thread. Throws: never but std::bad_alloc.
class SetupDlg : public QDialog
{
    Q_OBJECT

public:
    explicit SetupDlg(SetupSettings& settings, QWidget* parent = nullptr);

    void accept() override;

    // The line that tells the operator what was dropped.
    void setDropSummary(const QString& text);

signals:
    void portChanged(int port);
    void timeoutChanged(int minutes);
    void keepDaysChanged(int days);
    void alarmKindsChanged(std::uint32_t mask);

private:
    enum class Outcome
    {
        Unchanged,
        Saved,
        Refused
    };

    // Reads one box against its current value; saves a valid change and
    // emits it with `changed`.
    Outcome apply(QLineEdit* box, const SettingRule& rule, int& current,
                  void (SetupDlg::*changed)(int));
    int readSetting(const SettingRule& rule);
    void addAlarmKinds(QVBoxLayout& layout);
    // Saves and announces a changed checklist; false when the save failed.
    bool applyAlarmKinds();
    Outcome applySenders();

    SetupSettings& m_settings;
    QLineEdit* m_portBox = nullptr;
    QLineEdit* m_timeoutBox = nullptr;
    QLineEdit* m_keepDaysBox = nullptr;
    int m_port = 0;
    int m_timeout = 0;
    std::array<QCheckBox*, 14> m_alarmKinds{};
    int m_alarmMask = 0;
    QLineEdit* m_sendersBox = nullptr;
    QLabel* m_dropLabel = nullptr;
    std::string m_senders;
    int m_keepDays = 0;
};

} // namespace corvane
