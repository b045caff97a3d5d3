// The vehicle's field table is the one list the codec walks both ways: a
// field missing from it would be dropped on the way to the disk silently.
#include "data/DBManager.h"
#include "data/RecordCodec.h"
#include "data/VehicleInfo.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

TEST(RecordCodecFields, TableNamesTheColumnsOfVehicleInfoInOrderOneMemberEach)
{
    TempFolder folder;
    const std::string path = folder.file("app.db");
    DBManager::getInstance().open(path, 5000);
    DBManager::getInstance().close();
    VehicleInfoContainer::getInstance().clear();
    const std::vector<std::string> columns =
        test::rowsOf(path, "SELECT name FROM pragma_table_info('vehicle_info') ORDER BY cid;");

    std::vector<std::string> listed;
    for (const RecordCodec::VehicleField& field : RecordCodec::vehicleFields()) {
        listed.emplace_back(field.column);
        EXPECT_EQ((field.id != nullptr) + (field.text != nullptr) + (field.flag != nullptr), 1)
            << field.column;
    }
    EXPECT_EQ(listed, columns);
}

TEST(RecordCodecFields, EveryMemberOfAVehicleSurvivesTheQueueCopy)
{
    const UniqueID id("0a1b2c3d-0000-4000-8000-0000000000ff");
    VehicleInfo sent(id);
    sent.operation = AbstractDatabaseRecord::Update;
    // Each text differs from every other, so a field read into its
    // neighbour shows.
    std::string VehicleInfo::*const texts[] = {
        &VehicleInfo::name,
        &VehicleInfo::edited_name,
        &VehicleInfo::last_updated_time,
        &VehicleInfo::last_updated_latitude,
        &VehicleInfo::last_updated_longitude,
        &VehicleInfo::company,
        &VehicleInfo::maker,
        &VehicleInfo::model,
        &VehicleInfo::registration,
        &VehicleInfo::driver,
        &VehicleInfo::license,
        &VehicleInfo::info1,
        &VehicleInfo::info2,
        &VehicleInfo::image_path,
    };
    std::size_t n = 0;
    for (auto text : texts) {
        ++n;
        sent.*text = "text " + std::to_string(n) + std::string(n, '\'');
    }
    for (bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "deleted" : "kept");
        sent.deleted = deleted;
        std::string bytes;
        ASSERT_TRUE(RecordCodec::encode(sent, bytes));
        const auto decoded = RecordCodec::decode(bytes.data(), bytes.size());
        ASSERT_NE(decoded, nullptr);
        const auto& got = dynamic_cast<const VehicleInfo&>(*decoded);
        EXPECT_EQ(got.operation, AbstractDatabaseRecord::Update);
        EXPECT_TRUE(got.id.equals(id));
        EXPECT_EQ(got.deleted, deleted);
        for (auto text : texts)
            EXPECT_EQ(got.*text, sent.*text);
    }
}

} // namespace
} // namespace corvane
