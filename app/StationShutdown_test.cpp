// The main window's hold on storage, in this process, headless: the database
// writer's trouble reaches the operator as warning boxes, and shutting down
// handles every callback already posted to the window before app.db closes.

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "callback/CallbackInfo.h"
#include "callback/CallbackMessageParser.h"
#include "data/AbstractDatabaseRecord.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"
#include "testsupport/RecorderSamples.h"
#include "testsupport/TempFolder.h"
#include "testsupport/UdpPorts.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>

using namespace corvane;
using namespace corvane::test;

namespace {

const TempFolder* folder = nullptr;

std::string report(int vehicle, int second)
{
    return positionReport(sampleHeader(sampleVehicleId(vehicle, "5d0a1e00"), "Van", 0, 0, second),
                          sampleFix(48.0, 11.0 + second / 1000.0, 0, 0, second));
}

// The texts of the visible boxes of that name.
QStringList boxTexts(const char* name)
{
    QStringList texts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible() && box->objectName() == QLatin1String(name))
            texts << box->text();
    }
    return texts;
}

void onWriterConnection(const char* sql)
{
    std::lock_guard lock(DBManager::getDatabaseMutex());
    DBManager::getInstance().getDatabase().execute(sql);
}

class StationStorage : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        writeSetupPort(folder->file("setup.db"), test::freeUdpPort());
        records = new SingletonStationRecords;
        window = new CorvaneDlg(*records);
        ASSERT_TRUE(window->initialize());
        DBManager::getInstance().setBatchPeriod(100);
    }
    static void TearDownTestSuite()
    {
        window->shutdown();
        delete window;
        delete records;
    }
    static void post(int vehicle, int second)
    {
        const std::string text = report(vehicle, second);
        CallbackInfo info("127.0.0.1", 5000);
        CallbackMessageParser().parse(text.c_str(), info);
        window->reception().onCallbackReceived(info);
    }
    static long long samples()
    {
        return TableRows(folder->file("app.db")).number("SELECT count(*) FROM gps_data");
    }

    static inline SingletonStationRecords* records = nullptr;
    static inline CorvaneDlg* window = nullptr;
};

TEST_F(StationStorage, AFileThatCannotBeWrittenIsToldOnceAndItsRecoveryOnce)
{
    onWriterConnection("PRAGMA query_only = 1;");
    for (int second = 0; second < 3; ++second)
        post(1, second);
    ASSERT_TRUE(waitFor([] { return !boxTexts("storageProblemMessage").isEmpty(); }));
    const long failed = DBManager::getInstance().failedBatchCount();
    post(1, 3);
    ASSERT_TRUE(waitFor([&] { return DBManager::getInstance().failedBatchCount() >= failed + 3; }));
    const QStringList problems = boxTexts("storageProblemMessage");
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QString::fromStdString(folder->file("app.db"))))
        << problems[0].toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("readonly"))) << problems[0].toStdString();
    EXPECT_EQ(samples(), 0);

    onWriterConnection("PRAGMA query_only = 0;");
    ASSERT_TRUE(waitFor([] { return !boxTexts("storageRecoveredMessage").isEmpty(); }));
    EXPECT_EQ(samples(), 4);
    EXPECT_EQ(boxTexts("storageRecoveredMessage").size(), 1);
}

TEST_F(StationStorage, ShutdownStoresEveryCallbackHandedOver)
{
    const long long before = samples();
    // Handed over as the receive thread does, and told to stop at once: what
    // the decider has not decided yet is decided before the databases close.
    constexpr int vehicles = 20;
    constexpr int seconds = 50;
    for (int second = 0; second < seconds; ++second)
        for (int v = 0; v < vehicles; ++v)
            post(100 + v, second);
    window->shutdown();
    EXPECT_EQ(window->waitingCallbacks(), 0u);
    EXPECT_EQ(samples() - before, vehicles * seconds);
}

} // namespace

int main(int argc, char** argv)
{
    return runInStation(argc, argv, {{0, 0, 1280, 800}}, [](const TempFolder& startFolder) {
        folder = &startFolder;
        return true;
    });
}
