#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <span>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace corvane {

class SetupSettings;
struct SettingRule;

// The station's setup: the callback port (1500 to 32000), the callback
// time-out in minutes (1 to 28800), the days of GPS samples and events
// app.db keeps (0 to 3650; 0 keeps everything), the speed limit outside zones that have one
// ("rules/SpeedLimitKmh", 0 to 500 km/h; 0 is none), the most vehicles the map lists
// ("page/ListLimit", a spin box from 101 to 10000) and the senders the station takes datagrams
// from (IPv4 addresses and ranges; empty for everyone). Below them a line tells what the station
// has dropped (setDropSummary).
//
// OK saves each value that differs from the one shown at opening (or last
// saved) in a transaction of its own and emits portChanged, timeoutChanged,
// keepDaysChanged, speedLimitChanged or listLimitChanged with the saved value; the senders are
// only saved (whoever
// opened the dialog reads them when it has closed). A
// list that does not read is refused with a message naming the bad entry. A value out
// of range is refused with a message box and keeps the dialog open; a port
// saved before the time-out was refused stays saved and announced. A save
// that fails is traced, keeps the dialog open and emits nothing; OK may then
// be pressed again. Nothing is written when nothing changed.
//
// Below them, a checklist of the event types whose alarms call for attention
// on the page ("page/AlarmKinds", and "page/ZoneAlarmKinds" for the
// station's own zone and speed events); a changed choice is saved on OK and
// announced with alarmKindsChanged or zoneAlarmKindsChanged (the masks,
// AlarmAttentionRules.h).
//
// Last, the group "Offline map": the operator's tile files, MBTiles or PMTiles
// ("map/TileFiles", one path a
// line, answered first to last), each line showing the path with the file's bounds (W S E
// N), zoom range and tile count; "Add..." takes files from a file dialog (addTileFile), each
// opened as a TileFile and refused with a message naming the file and what is wrong;
// "Remove" drops the selected line. A listed file that cannot be read now (an unmounted
// disk) keeps its line, marked, until the operator removes it. A changed list is saved on OK
// and announced with tileFilesChanged, a changed "Cache size (MB) :" ("map/CacheMB") with
// tileCacheChanged. "Clear cache" asks first and then, at once and whatever the dialog's end,
// emits cacheClearRequested (clearing is an action, not a setting to keep).
//
// The signals but cacheClearRequested are emitted from inside accept(), before the dialog
// closes, in the order of the boxes; a slot must not delete the dialog.
//
// Ownership: borrows the settings, which must outlive the dialog.
// Threads: the GUI thread (the tile files are opened there, a few reads each).
// Throws: never but std::bad_alloc.
class SetupDlg : public QDialog
{
    Q_OBJECT

public:
    explicit SetupDlg(SetupSettings& settings, QWidget* parent = nullptr);

    void accept() override;

    // The line that tells the operator what was dropped.
    void setDropSummary(const QString& text);

    // What "Add..." does with each file the file dialog gave: opens it as a tile file and lists
    // it with its figures, or refuses it in a message (not readable, with the reason; already
    // listed). True when it was added.
    bool addTileFile(const QString& path);

signals:
    void portChanged(int port);
    void timeoutChanged(int minutes);
    void keepDaysChanged(int days);
    void speedLimitChanged(int kmh);
    void listLimitChanged(int vehicles);
    void alarmKindsChanged(std::uint32_t mask);
    void zoneAlarmKindsChanged(std::uint32_t mask);
    // The saved tile files, in answer order.
    void tileFilesChanged(const QStringList& paths);
    void tileCacheChanged(int megabytes);
    void cacheClearRequested();

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
    // Saves a value that differs from current under key and emits it with
    // `changed`; Refused when the save failed (current then stays).
    Outcome save(const char* key, int value, int& current, void (SetupDlg::*changed)(int));
    int readSetting(const SettingRule& rule);
    void addAlarmKinds(QVBoxLayout& layout);
    // Saves a changed checklist under key (bit n: box n) and announces it
    // with `changed`; false when the save failed.
    bool applyChecklist(std::span<QCheckBox* const> boxes, const char* key, int& current,
                        void (SetupDlg::*changed)(std::uint32_t));
    Outcome applySenders();
    void addOfflineMap(QVBoxLayout& layout, int listWidth);
    void chooseTileFiles();
    void removeTileFiles();
    void clearCache();
    QStringList listedTileFiles() const;
    bool applyOfflineMap();

    SetupSettings& m_settings;
    QLineEdit* m_portBox = nullptr;
    QLineEdit* m_timeoutBox = nullptr;
    QLineEdit* m_keepDaysBox = nullptr;
    int m_port = 0;
    int m_timeout = 0;
    QLineEdit* m_speedLimitBox = nullptr;
    int m_speedLimit = 0;
    QSpinBox* m_listLimitBox = nullptr;
    int m_listLimit = 0;
    std::array<QCheckBox*, 14> m_alarmKinds{};
    int m_alarmMask = 0;
    std::array<QCheckBox*, 3> m_zoneAlarmKinds{};
    int m_zoneAlarmMask = 0;
    QLineEdit* m_sendersBox = nullptr;
    QLabel* m_dropLabel = nullptr;
    std::string m_senders;
    int m_keepDays = 0;
    QListWidget* m_tileFiles = nullptr;
    QPushButton* m_removeTileFile = nullptr;
    QSpinBox* m_cacheBox = nullptr;
    QStringList m_storedTileFiles;
    int m_cacheMB = 0;
};

} // namespace corvane
