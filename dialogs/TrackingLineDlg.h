#pragma once

#include <QDateTime>
#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;

namespace corvane {

// The durations offered for a stored track, in the order they are added; the
// box lists them sorted ("1 Days" first).
inline constexpr std::array<const char*, 6> trackingDurations = {"1 Hours", "3 Hours", "7 Hours",
                                                                 "1 Days",  "3 Days",  "7 Days"};

// Asks for the duration over which a vehicle's track is drawn, or for a
// From/To range of date and time. "Show" closes
// with OK only once an entry is chosen; otherwise it says "Choose a
// duration" and stays open. Text typed into the box without choosing an
// entry counts as no choice, even when it equals an entry (the box's own
// completion would otherwise turn it into one): an entry is chosen from the
// list, with the arrow keys or the wheel, or set by the program. The caller
// acts on the result only.
//
// Ownership: Qt's parent rules. Threads: the GUI thread.
// Throws: never but std::bad_alloc.
class TrackingLineDlg : public QDialog
{
public:
    explicit TrackingLineDlg(QWidget* parent = nullptr);

    void accept() override;

    // After OK: either a From/To range was ticked (both ends included;
    // "Show" refuses a From later than To) or a duration was chosen.
    bool rangeChosen() const;
    QDateTime from() const;
    QDateTime to() const;
    // The chosen duration in seconds; 0 when none is chosen.
    qint64 durationSeconds() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasChoice() const;
    void addRangeFields();

    QComboBox* m_durations = nullptr;
    // The operator has typed since the last choice.
    bool m_typed = false;
    QCheckBox* m_rangeCheck = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
};

} // namespace corvane
