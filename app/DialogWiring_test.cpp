#include "app/DialogWiring.h"
#include "app/ReceptionHandoff.h"
#include "app/SingletonStationRecords.h"
#include "app/StationController.h"
#include "app/StationDatabases.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "dialogs/DialogTestSupport.h"
#include "testsupport/TempFolder.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane {
namespace {

struct NoPage : PageCallSink
{
    void call(PageCall) override {}
};

// The window's parts around the wiring, on real files in a folder of their own.
class DialogWiringTest : public ::testing::Test
{
protected:
    DialogWiringTest() { m_databases.open(QString::fromStdString(m_folder.path().string())); }
    ~DialogWiringTest() override
    {
        m_wiring.reset();
        m_databases.close();
    }

    // Runs request; the modal window it opens is given to answer (which
    // returns false for a window it does not expect). Returns the titles of
    // the windows seen, the first one seen while request still ran.
    std::vector<QString> run(const std::function<void()>& request,
                             const std::function<bool(QWidget&)>& answer)
    {
        std::vector<QString> titles;
        test::ModalWatcher watcher([&](QWidget& modal) {
            titles.push_back(modal.windowTitle());
            return answer(modal);
        });
        request();
        titles.push_back(QStringLiteral("(returned)"));
        EXPECT_TRUE(test::waitFor([&] { return titles.size() > 1; }, 10000));
        // Whatever the dialog does after its answer is done.
        QCoreApplication::processEvents();
        return titles;
    }

    TempFolder m_folder;
    StationDatabases m_databases;
    SingletonStationRecords m_records;
    NoPage m_noPage;
    MapPage m_page{m_noPage};
    StationController m_controller{m_records, m_page};
    QWidget m_window;
    ReceptionHandoff m_reception{m_controller, m_databases, &m_window};
    std::unique_ptr<DialogWiring> m_wiring =
        std::make_unique<DialogWiring>(&m_window, m_records, m_controller, m_reception);
};

bool cancel(QWidget& modal)
{
    auto* dialog = qobject_cast<QDialog*>(&modal);
    if (dialog == nullptr)
        return false;
    dialog->reject();
    return true;
}

TEST_F(DialogWiringTest, EachRequestOpensItsDialogOnlyAfterThePageCallReturned)
{
    struct Case
    {
        const char* request;
        std::function<void(CefClientV8Listener&)> call;
        QString title;
    };
    const Case cases[] = {
        {"log", [](CefClientV8Listener& l) { l.onClickLog(); }, "Log"},
        {"setup", [](CefClientV8Listener& l) { l.onClickSetup(); }, "Setup"},
        {"remove", [](CefClientV8Listener& l) { l.onClickRemove("00-11-22-33-44-55"); },
         "ORVEX Corvane"},
        {"track", [](CefClientV8Listener& l) { l.onClickTrackHistory("00-11-22-33-44-55"); },
         "Tracking Line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        const std::vector<QString> titles =
            run([&] { c.call(*m_wiring); },
                [](QWidget& modal) {
                    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
                        box->done(QMessageBox::No);
                        return true;
                    }
                    return cancel(modal);
                });
        EXPECT_EQ(titles, std::vector<QString>({"(returned)", c.title}));
    }
    // The image chooser is no QDialog subclass the watcher sees by title.
    QString chooser;
    run([&] { m_wiring->onClickImgBtn("00-11-22-33-44-55"); },
        [&](QWidget& modal) {
            chooser = modal.objectName();
            return cancel(modal);
        });
    EXPECT_EQ(chooser, "imageChooser");
}

TEST_F(DialogWiringTest, ARequestLeftWhenTheWiringGoesOpensNothing)
{
    m_wiring->onClickSetup();
    m_wiring->onClickRemove("00-11-22-33-44-55");
    m_wiring.reset();
    test::ModalWatcher watcher([](QWidget& modal) {
        ADD_FAILURE() << "opened " << modal.windowTitle().toStdString();
        return cancel(modal);
    });
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DialogWiringTest, WhatTheSetupSavesReachesTheStation)
{
    std::vector<std::uint32_t> kinds;
    QObject::connect(m_wiring.get(), &DialogWiring::alarmKindsChanged,
                     [&](std::uint32_t mask) { kinds.push_back(mask); });
    std::vector<int> listLimits;
    QObject::connect(m_wiring.get(), &DialogWiring::listLimitChanged,
                     [&](int vehicles) { listLimits.push_back(vehicles); });
    run([&] { m_wiring->onClickSetup(); },
        [](QWidget& modal) {
            auto* port = modal.findChild<QLineEdit*>("portBox");
            if (port == nullptr)
                return false;
            port->setText("23456");
            modal.findChild<QCheckBox*>("alarmKind0")->toggle();
            modal.findChild<QSpinBox*>("listLimitBox")->setValue(500);
            static_cast<QDialog&>(modal).accept();
            return true;
        });
    EXPECT_EQ(m_reception.port(), 23456);
    EXPECT_EQ(kinds, std::vector<std::uint32_t>({(1u << 13) | 1u}));
    EXPECT_EQ(m_databases.readInt("setup/Port", 0), 23456);
    EXPECT_EQ(listLimits, std::vector<int>({500}));
    EXPECT_EQ(m_databases.readInt("page/ListLimit", 0), 500);
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
