#include "base/UniqueID.h"
#include "data/VehicleInfo.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/VehicleEditDlg.h"
#include "dialogs/VehicleStore.h"
#include "testsupport/TempFolder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <fstream>
#include <map>
#include <optional>

namespace corvane {
namespace {

const char* const busId = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

// Vehicles in memory; counts the updates and can refuse them.
class MemoryVehicles final : public VehicleStore
{
public:
    VehicleInfo* find(const UniqueID& id) override
    {
        const auto found = vehicles.find(id);
        return found == vehicles.end() ? nullptr : &found->second;
    }
    bool update(VehicleInfo& vehicle) override
    {
        updated.push_back(vehicle);
        return acceptUpdates;
    }
    std::recursive_mutex& mutex() override { return lock; }
    std::recursive_mutex lock;

    std::map<UniqueID, VehicleInfo> vehicles;
    std::vector<VehicleInfo> updated;
    bool acceptUpdates = true;
};

class VehicleEditDlgTest : public ::testing::Test
{
protected:
    VehicleEditDlgTest()
    {
        VehicleInfo bus{UniqueID(busId)};
        bus.name = "Bus 7";
        bus.info1 = "morning";
        bus.info2 = "depot";
        bus.image_path = "/old/bus.png";
        m_store.vehicles.emplace(bus.id, bus);
    }
    VehicleEditDlg& open(const char* id = busId)
    {
        m_dialog.emplace(m_store, id);
        m_dialog->show();
        return *m_dialog;
    }
    QLineEdit* box(const char* name) { return m_dialog->findChild<QLineEdit*>(name); }
    void click(const char* name)
    {
        QTest::mouseClick(m_dialog->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    VehicleInfo& bus() { return m_store.vehicles.at(UniqueID(busId)); }

    MemoryVehicles m_store;
    std::optional<VehicleEditDlg> m_dialog;
};

TEST_F(VehicleEditDlgTest, OpensWithTheShownNameAndStoresItOnOk)
{
    open();
    EXPECT_EQ(m_dialog->windowTitle(), "Edit Vehicle");
    EXPECT_EQ(m_dialog->findChild<QPushButton*>("ok")->text(), "확인");
    EXPECT_EQ(m_dialog->findChild<QPushButton*>("cancel")->text(), "취소");
    EXPECT_EQ(box("nameBox")->text(), "Bus 7");
    EXPECT_EQ(box("info1Box")->text(), "morning");
    EXPECT_EQ(box("info2Box")->text(), "depot");
    EXPECT_EQ(box("imageBox")->text(), "/old/bus.png");

    click("ok");
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    // The reported name becomes the operator's name; the picture path it
    // opened with is kept although no file answers for it at the moment.
    EXPECT_EQ(bus().edited_name, "Bus 7");
    EXPECT_EQ(bus().image_path, "/old/bus.png");
    ASSERT_EQ(m_store.updated.size(), 1u);
    EXPECT_EQ(m_store.updated[0].edited_name, "Bus 7");
}

TEST_F(VehicleEditDlgTest, OkWritesTheBoxesIntoTheRecord)
{
    TempFolder folder;
    const std::string picture = folder.file("car.png");
    std::ofstream(picture) << "png";
    struct Case
    {
        QString name;
        std::string image;
        std::string storedImage;
    };
    const Case cases[] = {
        {"Night bus", picture, picture},
        {"", folder.file("missing.png"), ""},
        {"Ünïcode 버스", folder.file("none/car.png"), ""},
    };
    for (const Case& c : cases) {
        open();
        box("nameBox")->setText(c.name);
        box("info1Box")->setText("first");
        box("info2Box")->setText("second");
        box("imageBox")->setText(QString::fromStdString(c.image));
        click("ok");
        EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
        EXPECT_EQ(bus().edited_name, c.name.toStdString());
        EXPECT_EQ(bus().info1, "first");
        EXPECT_EQ(bus().info2, "second");
        EXPECT_EQ(bus().image_path, c.storedImage) << c.image;
        EXPECT_EQ(bus().name, "Bus 7");
    }
    EXPECT_EQ(m_store.updated.size(), 3u);
}

TEST_F(VehicleEditDlgTest, BoundedBoxesRefuseTheThirtyThirdCharacter)
{
    open();
    const QString longText(40, QLatin1Char('x'));
    for (const char* name : {"nameBox", "info1Box", "info2Box"}) {
        box(name)->clear();
        QTest::keyClicks(box(name), longText);
        EXPECT_EQ(box(name)->text().size(), 32) << name;
    }
    box("imageBox")->clear();
    QTest::keyClicks(box("imageBox"), longText);
    EXPECT_EQ(box("imageBox")->text().size(), 40);
}

// Names longer than the typing bound come from recorders and from the page;
// the editor shows them whole, so OK without changes stores the same name.
TEST_F(VehicleEditDlgTest, LongNamesSurviveAnUnchangedOk)
{
    const std::string forty = "Northern Regional Ambulance Service 0042";
    ASSERT_EQ(forty.size(), 40u);
    struct Case
    {
        const char* what;
        std::string reported;
        std::string edited;
    };
    const Case cases[] = {
        {"operator name", "Bus 7", forty},
        {"reported name", forty, ""},
    };
    for (const Case& c : cases) {
        bus().name = c.reported;
        bus().edited_name = c.edited;
        open();
        EXPECT_EQ(box("nameBox")->text().toStdString(), forty) << c.what;
        click("ok");
        EXPECT_EQ(bus().edited_name, forty) << c.what;
        EXPECT_EQ(bus().name, c.reported) << c.what;
    }

    // The long name may be shortened, but nothing can be typed into it while
    // it is beyond the bound.
    open();
    QLineEdit* name = box("nameBox");
    name->end(false);
    QTest::keyClicks(name, "XY");
    EXPECT_EQ(name->text().toStdString(), forty);
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClicks(name, "XY");
    EXPECT_EQ(name->text().toStdString(), forty.substr(0, 39));
}

TEST_F(VehicleEditDlgTest, OnlyAChangedPicturePathIsCheckedOnDisk)
{
    TempFolder folder;
    struct Case
    {
        std::string opened;
        std::string typed;
        std::string stored;
    };
    const Case cases[] = {
        {"/old/bus.png", "/old/bus.png", "/old/bus.png"},
        {"/old/bus.png", folder.file("gone.png"), ""},
        {"/old/bus.png", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        bus().image_path = c.opened;
        open();
        box("imageBox")->setText(QString::fromStdString(c.typed));
        click("ok");
        EXPECT_EQ(bus().image_path, c.stored) << c.typed;
    }
}

TEST_F(VehicleEditDlgTest, CancelLeavesTheRecordAlone)
{
    open();
    box("nameBox")->setText("changed");
    click("cancel");
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_EQ(bus().edited_name, "");
    EXPECT_EQ(bus().image_path, "/old/bus.png");
    EXPECT_TRUE(m_store.updated.empty());
}

TEST_F(VehicleEditDlgTest, RefusedUpdateStillKeepsTheNewValues)
{
    m_store.acceptUpdates = false;
    open();
    box("nameBox")->setText("kept");
    click("ok");
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(bus().edited_name, "kept");
}

TEST_F(VehicleEditDlgTest, UnknownVehicleClosesAtOnce)
{
    VehicleEditDlg dialog(m_store, "00000000-0000-0000-0000-0000000000ff");
    EXPECT_FALSE(dialog.hasVehicle());
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(m_store.updated.empty());
}

TEST_F(VehicleEditDlgTest, ChosenPictureGoesIntoTheBoxWithSlashes)
{
    TempFolder folder;
    // A file name with a backslash shows the turn into slashes on Linux.
    const std::string chosen = folder.file("pics\\car.png");
    std::ofstream(chosen) << "png";
    open();
    QStringList filters;
    test::ModalWatcher watcher([&](QWidget& modal) {
        auto* chooser = qobject_cast<QFileDialog*>(&modal);
        if (chooser == nullptr)
            return false;
        filters = chooser->nameFilters();
        chooser->selectFile(QString::fromStdString(chosen));
        QMetaObject::invokeMethod(chooser, "accept", Qt::DirectConnection);
        return true;
    });
    click("browse");
    EXPECT_EQ(filters, QStringList({"PNG File(*.png)", "BMP File(*.bmp)", "JPG File(*.jpg)"}));
    EXPECT_EQ(box("imageBox")->text().toStdString(), folder.file("pics/car.png"));
    // Nothing is saved before OK.
    EXPECT_EQ(bus().image_path, "/old/bus.png");
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
