#pragma once

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "testsupport/UdpPorts.h"

#include <QVariant>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace corvane::test {

// The station's window in the test's own process, its page loaded, for one
// test; the tests of one process share one settings file (a free callback
// port), which each window reads anew. Run under runInStation().
//
// Ownership: owns the window, shut down after the test. Threads: the GUI
// thread. Throws: what GoogleTest's assertions do.
class StationWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const int port = [] {
            const int free = freeUdpPort();
            writeSetupPort("setup.db", free);
            return free;
        }();
        m_port = port;
        m_window = std::make_unique<CorvaneDlg>(m_records);
        ASSERT_TRUE(m_window->initialize());
        m_window->show();
        ASSERT_TRUE(waitFor(
            [&] { return js("typeof findVehicle === 'function' && !!global.listBox").toBool(); },
            60000))
            << "the page did not load";
    }
    void TearDown() override
    {
        if (m_window)
            m_window->shutdown();
    }

    QWebEnginePage& page() { return *m_window->browserView()->page(); }
    QVariant js(const std::string& script)
    {
        return evaluate(page(), QString::fromStdString(script));
    }

    int m_port = 0;
    SingletonStationRecords m_records;
    std::unique_ptr<CorvaneDlg> m_window;
};

} // namespace corvane::test
