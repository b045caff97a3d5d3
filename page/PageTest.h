#pragma once

#include "page/PageHarness.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

namespace corvane {

// The fixture of the tests that drive the map page alone: each test gets a
// freshly loaded page (its start-up calls taken) and short ways to run script.
// GUI thread only, like the harness it owns.
class PageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_page = std::make_unique<PageHarness>();
        ASSERT_TRUE(m_page->load()) << "the page did not load";
        m_page->takeCalls();
    }

    // The script's value; run() for a script whose value does not matter.
    QVariant js(const QString& script) { return m_page->eval(script); }
    void run(const QString& script) { m_page->eval(script + QStringLiteral(";0")); }

    std::unique_ptr<PageHarness> m_page;
};

} // namespace corvane
