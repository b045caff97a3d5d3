#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace corvane {

class VehicleInfo;
class VehicleStore;

// Edits one vehicle's operator-given data: its name, two free information
// lines of at most 32 characters each and the path of its marker picture.
//
// Opens with the whole shown name (the reported name when the operator gave
// none); the 32-character bound applies to typing, so OK without changes
// keeps a longer name as it is.
// OK writes the boxes into the record in place (an empty name shows the
// reported name again; a changed picture path that names no existing file is
// stored empty, the path it opened with is kept as it is), queues the record with the store's update, traces a refused update
// ("Update FALSE") and closes with OK. Cancel changes nothing. For an
// identifier the store does not know, exec() returns Rejected at once.
//
// Ownership: borrows the store, which must outlive the dialog; the record
// stays the store's. Threads: the GUI thread. Throws: never but std::bad_alloc.
class VehicleEditDlg : public QDialog
{
public:
    VehicleEditDlg(VehicleStore& store, const std::string& vehicleId, QWidget* parent = nullptr);

    // False when the identifier names no known vehicle.
    bool hasVehicle() const noexcept { return m_vehicle != nullptr; }

    int exec() override;
    void accept() override;

private:
    void chooseImage();

    VehicleStore& m_store;
    VehicleInfo* m_vehicle = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_info1 = nullptr;
    QLineEdit* m_info2 = nullptr;
    QLineEdit* m_image = nullptr;
    std::string m_openedImagePath;
};

} // namespace corvane
