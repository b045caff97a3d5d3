#include "app/DialogWiring.h"

#include "app/ReceptionHandoff.h"
#include "app/StationController.h"
#include "app/StationRecords.h"
#include "base/Exception.h"
#include "base/Trace.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Setup.h"
#include "data/VehicleInfo.h"
#include "dialogs/AlarmAttentionRules.h"
#include "dialogs/LogDlg.h"
#include "dialogs/SetupDlg.h"
#include "dialogs/StationEventLogSource.h"
#include "dialogs/StationMessage.h"
#include "dialogs/StationSetupSettings.h"
#include "dialogs/StationVehicleStore.h"
#include "dialogs/TrackingLineDlg.h"
#include "dialogs/VehicleEditDlg.h"

#include <QFileDialog>
#include <QMetaObject>
#include <mutex>
#include <utility>

namespace corvane {

DialogWiring::DialogWiring(QWidget* window, StationRecords& records, StationController& controller,
                           ReceptionHandoff& reception)
    : m_window(window), m_records(records), m_controller(controller), m_reception(reception)
{}

template <typename Step>
void DialogWiring::later(Step step)
{
    m_guiThread.assertOwner();
    QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
}

void DialogWiring::onClickLog()
{
    later([this] { showLog(); });
}

void DialogWiring::onClickSetup()
{
    later([this] { showSetup(); });
}

void DialogWiring::onClickEdit(const std::string& id)
{
    later([this, id] { editVehicle(id); });
}

void DialogWiring::onClickRemove(const std::string& id)
{
    later([this, id] { removeVehicle(id); });
}

void DialogWiring::onClickImgBtn(const std::string& id)
{
    later([this, id] { chooseImage(id); });
}

void DialogWiring::onClickTrackHistory(const std::string& id)
{
    later([this, id] { chooseStoredTrack(id); });
}

void DialogWiring::onZoneSaved(const std::string& id, const std::string& name,
                               const std::string& geometry)
{
    m_guiThread.assertOwner();
    emit zoneSaved(id, name, geometry);
}

void DialogWiring::onZoneDeleted(const std::string& id)
{
    m_guiThread.assertOwner();
    emit zoneDeleted(id);
}

void DialogWiring::onAcknowledgeAlarms(const std::string& eventId, const std::string& vehicleId,
                                       const std::string& note)
{
    m_guiThread.assertOwner();
    emit alarmsAcknowledged(eventId, vehicleId, note);
}

void DialogWiring::onChangeName(const std::string& id, const std::string& name)
{
    m_guiThread.assertOwner();
    m_controller.changeName(id, name);
}

void DialogWiring::onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                                        const std::string& info1, const std::string& info2)
{
    m_guiThread.assertOwner();
    m_controller.updateOptionalInfo(id, imagePath, info1, info2);
}

void DialogWiring::onChangeAlarmMute(bool muted)
{
    m_guiThread.assertOwner();
    // Remembered for the next start; the page has already switched.
    try {
        StationSetupSettings(Setup::getInstance()).writeInt(alarmMutedKey, muted ? 1 : 0);
    } catch (const Exception& e) {
        traceException(e);
    }
}

void DialogWiring::showLog()
{
    m_controller.dialogOpening();
    StationEventLogSource source;
    LogDlg dialog(source, m_window);
    dialog.exec();
}

void DialogWiring::showSetup()
{
    m_controller.dialogOpening();
    StationSetupSettings settings(Setup::getInstance());
    SetupDlg dialog(settings, m_window);
    dialog.setDropSummary(
        QString::fromStdString(DropCounts::summary(m_reception.dropCounts().figures())));
    connect(&dialog, &SetupDlg::portChanged, &m_reception, &ReceptionHandoff::changePort);
    connect(&dialog, &SetupDlg::timeoutChanged, this,
            [this](int minutes) { m_controller.timeoutChanged(minutes); });
    connect(&dialog, &SetupDlg::keepDaysChanged, this,
            [](int days) { DBManager::getInstance().setKeepDays(days); });
    connect(&dialog, &SetupDlg::alarmKindsChanged, this, &DialogWiring::alarmKindsChanged);
    connect(&dialog, &SetupDlg::zoneAlarmKindsChanged, this, &DialogWiring::zoneAlarmKindsChanged);
    connect(&dialog, &SetupDlg::speedLimitChanged, this, &DialogWiring::speedLimitChanged);
    connect(&dialog, &SetupDlg::listLimitChanged, this, &DialogWiring::listLimitChanged);
    connect(&dialog, &SetupDlg::tileFilesChanged, this, &DialogWiring::tileFilesChanged);
    connect(&dialog, &SetupDlg::tileCacheChanged, this, &DialogWiring::tileCacheChanged);
    connect(&dialog, &SetupDlg::cacheClearRequested, this, &DialogWiring::cacheClearRequested);
    dialog.exec();
    m_reception.applySenderFilter();
}

void DialogWiring::editVehicle(const std::string& id)
{
    StationVehicleStore store;
    VehicleEditDlg dialog(store, id, m_window);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_controller.vehicleEdited(id, accepted);
}

void DialogWiring::removeVehicle(const std::string& id)
{
    const bool confirmed =
        askStationQuestion(m_window, QStringLiteral("Do you want to delete this Vehicle?"));
    m_controller.removeVehicle(id, confirmed);
}

void DialogWiring::chooseImage(const std::string& id)
{
    QFileDialog dialog(m_window);
    dialog.setObjectName(QStringLiteral("imageChooser"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("PNG File(*.png)"), QStringLiteral("BMP File(*.bmp)"),
                           QStringLiteral("JPG File(*.jpg)")});
    dialog.selectFile(QStringLiteral("*.png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_controller.imageChosen(id, dialog.selectedFiles().constFirst().toStdString());
}

void DialogWiring::chooseStoredTrack(const std::string& id)
{
    TrackingLineDlg dialog(m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TrackRange range;
    if (dialog.rangeChosen()) {
        const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
        range.from = dialog.from().toString(format).toStdString();
        range.to = dialog.to().toString(format).toStdString();
    } else {
        range.durationSeconds = dialog.durationSeconds();
    }
    QString name = QString::fromStdString(id);
    {
        std::lock_guard lock(m_records.mutex());
        if (const VehicleInfo* vehicle = m_records.findVehicle(UniqueID(id.c_str())))
            name = QString::fromStdString(vehicle->displayName());
    }
    emit storedTrackChosen(id, name, range);
}

} // namespace corvane
