#pragma once

#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class QObject;

namespace corvane {

class SetupSettings;
struct SettingRule;

// The station's setup: the callback port (1500 to 32000), the callback
// time-out in minutes (1 to 28800), the days of GPS samples and events
// app.db keeps (0 to 3650; 0 keeps everything; WM_KEEP_DAYS_CHANGED) and the
// senders the station takes datagrams from (IPv4 addresses and ranges; empty
// for everyone). Below them a line tells what the station has dropped
// (setDropSummary).
//
// OK saves each value that differs from the one shown at opening (or last
// saved) in a transaction of its own and posts WM_PORT_CHANGED or
// WM_TIMEOUT_CHANGED (a SettingChangedEvent) to the main window; the senders
// are only saved (the main window reads them when the dialog has closed). A
// list that does not read is refused with a message naming the bad entry. A value out
// of range is refused with a message box and keeps the dialog open; a port
// saved before the time-out was refused stays saved and announced. A save
// that fails is traced, keeps the dialog open and posts nothing; OK may then
// be pressed again. Nothing is written when nothing changed.
//
// Below them, a checklist of the event types whose alarms call for attention
// on the page ("page/AlarmKinds"); a changed choice is saved on OK and
// announced with WM_ALARM_KINDS_CHANGED (AlarmAttentionRules.h).
//
// Ownership: borrows the settings and the main window, which must outlive
// the dialog; posted events are owned by Qt's event queue.
// Threads: the GUI thread. Throws: never but std::bad_alloc.
class SetupDlg : public QDialog
{
public:
    SetupDlg(SetupSettings& settings, QObject* mainWindow, QWidget* parent = nullptr);

    void accept() override;

    // The line that tells the operator what was dropped.
    void setDropSummary(const QString& text);

private:
    enum class Outcome
    {
        Unchanged,
        Saved,
        Refused
    };

    // Reads one box against its current value; saves and announces a valid
    // change.
    Outcome apply(QLineEdit* box, const SettingRule& rule, int& current, int eventType);
    int readSetting(const SettingRule& rule);
    void addAlarmKinds(QVBoxLayout& layout);
    // Saves and announces a changed checklist; false when the save failed.
    bool applyAlarmKinds();
    Outcome applySenders();

    SetupSettings& m_settings;
    QObject* m_mainWindow;
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
