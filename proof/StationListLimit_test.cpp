// The station in this process, headless: the page lists as many vehicles as
// "page/ListLimit" in setup.db says, a value it cannot use gives way to the
// default and is told, and the limit reaches the page before the fleet does.
// The start-up folder holds a folder named app.db: the vehicles live only in
// this process's containers, so each window gets those of the ones before.

#include "app/testsupport/StationTestSupport.h"
#include "app/testsupport/StationWindowTest.h"
#include "data/Database.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/SetupDlg.h"
#include "proof/LoopbackSender.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/VehicleIds.h"

#include <QMessageBox>
#include <QSpinBox>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr int deadlineMs = 60000;
constexpr int fleetSize = 150;

class StationListLimit : public test::StationWindowTest
{
protected:
    // A window started again on setup.db holding `stored` (nothing: no key),
    // once it has given its page the whole state.
    void restartWith(const std::optional<std::string>& stored)
    {
        m_window->shutdown();
        m_window.reset();
        Database settings;
        settings.open("setup.db", 5000);
        settings.execute("DELETE FROM setup WHERE key = 'page/ListLimit';");
        if (stored)
            settings.execute(
                ("INSERT INTO setup VALUES ('page/ListLimit', '" + *stored + "');").c_str());
        settings.close();
        SetUp();
        // Scripts run in order: whatever is asked from here on sees the state.
        ASSERT_TRUE(test::waitFor([&] { return m_window->isPageReady(); }, deadlineMs));
    }

    // The texts of the boxes that tell an unusable list limit, closed on the way.
    QStringList toldLimits()
    {
        QStringList texts;
        for (QMessageBox* box : m_window->findChildren<QMessageBox*>()) {
            if (box->objectName() == QLatin1String("settingMessage") && box->isVisible() &&
                box->text().contains(QLatin1String("page/ListLimit"))) {
                texts << box->text();
                box->accept();
            }
        }
        return texts;
    }

    // How many of the fleet the page has as vehicles with a list entry.
    int listed()
    {
        std::string ids;
        for (int number = 1; number <= fleetSize; ++number)
            ids += (ids.empty() ? "'" : ", '") + vehicleId(number) + "'";
        return js("[" + ids +
                  "].filter(function (id) { return !!findVehicle(id) && "
                  "!!global.listBox.find(id); }).length")
            .toInt();
    }

    static std::string vehicleId(int number) { return test::sampleVehicleId(number, "5a11a000"); }
};

TEST_F(StationListLimit, ThePageListsAsManyAsTheSettingSays)
{
    struct Case
    {
        const char* label;
        std::optional<std::string> stored;
        int limit;
        const char* told; // what the notice says the setting held; null: no notice
    };
    const Case cases[] = {
        {"no setting", std::nullopt, 101, nullptr},
        {"not a number", "abc", 101, "\"abc\""},
        {"above the range", "20000", 101, "\"20000\""},
        {"below the range", "100", 101, "\"100\""},
        {"150", "150", 150, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        restartWith(c.stored);
        EXPECT_EQ(js("listLimit").toInt(), c.limit);
        const QStringList told = toldLimits();
        if (c.told == nullptr) {
            EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
        } else {
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(told[0].contains(QString("\"page/ListLimit\" holds ") + c.told))
                << told[0].toStdString();
            EXPECT_TRUE(told[0].contains("101 is used instead")) << told[0].toStdString();
        }
    }

    // Under the limit of 150, a fleet of 150 reporting is listed whole.
    LoopbackSender sender(m_port);
    for (int number = 1; number <= fleetSize; ++number)
        ASSERT_TRUE(sender.send(
            test::rawHead("Car " + std::to_string(number), "100", "DVR", vehicleId(number)) +
            ",$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10"));
    EXPECT_TRUE(test::waitFor([&] { return listed() == fleetSize; }, deadlineMs)) << listed();

    // Started again, the page has the limit before the vehicles it decides
    // over: all of them are listed at once, none waits for its next report.
    restartWith("150");
    EXPECT_TRUE(test::waitFor([&] { return listed() == fleetSize; }, deadlineMs)) << listed();
    // With the default the first 101 are, and only they.
    restartWith(std::nullopt);
    EXPECT_TRUE(test::waitFor([&] { return listed() == 101; }, deadlineMs)) << listed();

    // What the setup saves reaches the page without a reload.
    test::ModalWatcher operatorHand([](QWidget& modal) {
        auto* setup = qobject_cast<SetupDlg*>(&modal);
        if (setup == nullptr)
            return false;
        setup->findChild<QSpinBox*>("listLimitBox")->setValue(120);
        setup->accept();
        return true;
    });
    m_window->pageRequests().onClickSetup();
    EXPECT_TRUE(test::waitFor([&] { return js("listLimit").toInt() == 120; }, deadlineMs));
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    // A folder named app.db: the station runs without its database.
    return corvane::test::runInStation(argc, argv, {{0, 0, 1280, 800}}, [](const auto&) {
        return std::filesystem::create_directory("app.db");
    });
}
