// The handler alone sets up the station's view: the main window only hands
// it a fresh view, so the page and the settings the page needs come from here.
#include "browser/CefClientHandler.h"
#include "browser/CefClientListener.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::evaluate;
using test::waitFor;

class LoadListener : public CefClientListener
{
public:
    void onPageLoaded() override { ++loads; }
    int loads = 0;
};

TEST(CefClientHandlerSetup, AdoptedViewGetsTheMapPageAndItsSettings)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CefClientHandler handler(folder.path());
    LoadListener listener;
    handler.setListener(&listener);
    QWebEngineView view;
    view.resize(400, 300);

    struct Attribute
    {
        const char* name;
        QWebEngineSettings::WebAttribute attribute;
        bool adopted; // the value after adopt
    };
    const Attribute attributes[] = {
        // The alarm tone sounds before anyone has clicked the page.
        {"PlaybackRequiresUserGesture", QWebEngineSettings::PlaybackRequiresUserGesture, false},
        // The local page shows remote tiles and asks a remote geocoder.
        {"LocalContentCanAccessRemoteUrls", QWebEngineSettings::LocalContentCanAccessRemoteUrls,
         true},
        // A file dropped on the view never replaces the document.
        {"NavigateOnDropEnabled", QWebEngineSettings::NavigateOnDropEnabled, false},
    };
    // Whatever the engine's defaults, adopt sets what the page needs.
    for (const Attribute& a : attributes)
        view.settings()->setAttribute(a.attribute, !a.adopted);

    ASSERT_TRUE(handler.adopt(&view));
    for (const Attribute& a : attributes)
        EXPECT_EQ(view.settings()->testAttribute(a.attribute), a.adopted) << a.name;

    // No page text was given: the assembled map page is what loads.
    ASSERT_TRUE(waitFor([&] { return listener.loads > 0; }));
    EXPECT_EQ(evaluate(*view.page(), "document.title").toString(), QStringLiteral("Corvane"));
    EXPECT_EQ(evaluate(*view.page(), "typeof updateVehicleName").toString(),
              QStringLiteral("function"));
}

} // namespace
} // namespace corvane
