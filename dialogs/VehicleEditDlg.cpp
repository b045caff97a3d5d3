#include "dialogs/VehicleEditDlg.h"

#include "base/Trace.h"
#include "base/UniqueID.h"
#include "data/VehicleInfo.h"
#include "dialogs/ConfirmButtons.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/TypingLimit.h"
#include "dialogs/VehicleEditRules.h"
#include "dialogs/VehicleStore.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <mutex>

namespace corvane {

namespace {

QLineEdit* makeTextBox(QWidget* parent, const QString& name, int limit)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    // The limit bounds typing only: a longer stored text is shown whole.
    if (limit > 0)
        limitTyping(*box, limit);
    return box;
}

} // namespace

VehicleEditDlg::VehicleEditDlg(VehicleStore& store, const std::string& vehicleId, QWidget* parent)
    : QDialog(parent), m_store(store)
{
    setWindowTitle(QStringLiteral("Edit Vehicle"));
    setFont(dialogFont(font()));
    const DialogUnits units(font());

    m_name = makeTextBox(this, QStringLiteral("nameBox"), vehicleTextLimit);
    m_info1 = makeTextBox(this, QStringLiteral("info1Box"), vehicleTextLimit);
    m_info2 = makeTextBox(this, QStringLiteral("info2Box"), vehicleTextLimit);
    m_image = makeTextBox(this, QStringLiteral("imageBox"), 0);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setAutoDefault(false);
    browse->setFixedSize(units.size(21, 12));

    auto* fields = new QGridLayout;
    const QString labels[] = {QStringLiteral("Name :"), QStringLiteral("Info1 :"),
                              QStringLiteral("Info2 :"), QStringLiteral("Image :")};
    QLineEdit* const boxes[] = {m_name, m_info1, m_info2, m_image};
    for (int row = 0; row < 4; ++row) {
        auto* label = new QLabel(labels[row], this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(units.x(27));
        fields->addWidget(label, row, 0);
        fields->addWidget(boxes[row], row, 1, 1, row == 3 ? 1 : 2);
    }
    fields->addWidget(browse, 3, 2);
    fields->setColumnMinimumWidth(1, units.x(114));
    fields->setVerticalSpacing(units.y(7));
    auto* buttons = makeConfirmButtons(*this, QStringLiteral("확인"), QStringLiteral("ok"),
                                       QStringLiteral("취소"), units.size(50, 14), units.x(4));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.x(7), units.y(9), units.x(10), units.y(7));
    layout->addLayout(fields);
    layout->addSpacing(units.y(10));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(browse, &QPushButton::clicked, this, &VehicleEditDlg::chooseImage);

    std::lock_guard lock(m_store.mutex());
    m_vehicle = m_store.find(UniqueID(vehicleId.c_str()));
    if (m_vehicle != nullptr) {
        setBoundedText(*m_name, QString::fromStdString(m_vehicle->displayName()));
        setBoundedText(*m_info1, QString::fromStdString(m_vehicle->info1));
        setBoundedText(*m_info2, QString::fromStdString(m_vehicle->info2));
        m_image->setText(QString::fromStdString(m_vehicle->image_path));
        m_openedImagePath = m_vehicle->image_path;
    }
}

int VehicleEditDlg::exec()
{
    // The page only offers known vehicles; one that is gone has nothing to
    // edit, so the dialog closes at once without changes.
    if (m_vehicle == nullptr) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void VehicleEditDlg::accept()
{
    if (m_vehicle == nullptr) {
        QDialog::reject();
        return;
    }
    {
        std::lock_guard lock(m_store.mutex());
        m_vehicle->edited_name = m_name->text().toStdString();
        m_vehicle->info1 = m_info1->text().toStdString();
        m_vehicle->info2 = m_info2->text().toStdString();
        m_vehicle->image_path = storedImagePath(m_image->text().toStdString(), m_openedImagePath);
        if (!m_store.update(*m_vehicle))
            traceMessage("Update FALSE");
    }
    QDialog::accept();
}

void VehicleEditDlg::chooseImage()
{
    QFileDialog chooser(this);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilters({QStringLiteral("PNG File(*.png)"), QStringLiteral("BMP File(*.bmp)"),
                            QStringLiteral("JPG File(*.jpg)")});
    chooser.setDefaultSuffix(QStringLiteral("png"));
    chooser.selectFile(QStringLiteral("*.png"));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    m_image->setText(
        QString::fromStdString(slashPath(chooser.selectedFiles().front().toStdString())));
}

} // namespace corvane
