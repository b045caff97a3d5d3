#include "browser/CefClientHandler.h"
#include "browser/CefClientListener.h"
#include "browser/CefClientV8Handler.h"
#include "browser/CefClientV8Listener.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::evaluate;
using test::waitFor;

// Writes every call as "name(arg|arg|...)".
class RecordingListener : public CefClientV8Listener
{
public:
    void onClickLog() override { record("onClickLog", {}); }
    void onClickSetup() override { record("onClickSetup", {}); }
    void onClickEdit(const std::string& id) override { record("onClickEdit", {id}); }
    void onClickRemove(const std::string& id) override { record("onClickRemove", {id}); }
    void onChangeName(const std::string& id, const std::string& name) override
    {
        record("onChangeName", {id, name});
    }
    void onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                              const std::string& info1, const std::string& info2) override
    {
        record("onUpdateOptionalInfo", {id, imagePath, info1, info2});
    }
    void onClickImgBtn(const std::string& id) override { record("onClickImgBtn", {id}); }
    void onChangeAlarmMute(bool muted) override
    {
        record("onChangeAlarmMute", {muted ? "muted" : "sounding"});
    }
    void onClickTrackHistory(const std::string& id) override
    {
        record("onClickTrackHistory", {id});
    }
    void onZoneSaved(const std::string& id, const std::string& name,
                     const std::string& geometry) override
    {
        record("onZoneSaved", {id, name, geometry});
    }
    void onZoneDeleted(const std::string& id) override { record("onZoneDeleted", {id}); }

    std::vector<std::string> calls;

private:
    void record(const std::string& name, const std::vector<std::string>& arguments)
    {
        std::string call = name + "(";
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            call += (i == 0 ? "" : "|") + arguments[i];
        }
        calls.push_back(call + ")");
    }
};

QJsonArray arguments(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).array();
}

struct DispatchCase
{
    const char* name;
    const char* arguments;
    bool handled;
    const char* call; // what the listener receives; empty when not handled
};

TEST(CefClientV8HandlerDispatch, FollowsTheArgumentRules)
{
    const DispatchCase cases[] = {
        {"onClickLog", "[]", true, "onClickLog()"},
        {"onClickSetup", R"(["ignored", 1])", true, "onClickSetup()"},
        {"onChangeName", R"(["id-1", "Truck 7"])", true, "onChangeName(id-1|Truck 7)"},
        {"onChangeName", R"(["id-1", 42])", true, "onChangeName(id-1|)"},
        {"onChangeName", R"([null, "n"])", true, "onChangeName(|n)"},
        {"onChangeName", R"(["id-1"])", false, ""},
        {"onChangeName", "[]", false, ""},
        {"onUpdateOptionalInfo", R"(["id-2", ["p.png", "a", "b"]])", true,
         "onUpdateOptionalInfo(id-2|p.png|a|b)"},
        {"onUpdateOptionalInfo", R"(["id-2", "x"])", true, "onUpdateOptionalInfo(id-2|||)"},
        {"onUpdateOptionalInfo", R"(["id-2", {"0": "p"}])", true, "onUpdateOptionalInfo(id-2|||)"},
        {"onUpdateOptionalInfo", R"([7, [1, "a", null]])", true, "onUpdateOptionalInfo(||a|)"},
        {"onUpdateOptionalInfo", R"(["id-2", ["only"]])", true,
         "onUpdateOptionalInfo(id-2|only||)"},
        {"onUpdateOptionalInfo", R"(["id-2"])", false, ""},
        {"onClickEdit", R"(["id-3"])", true, "onClickEdit(id-3)"},
        {"onClickEdit", "[3]", true, "onClickEdit()"},
        {"onClickEdit", "[]", false, ""},
        {"onClickRemove", R"(["id-4", "extra"])", true, "onClickRemove(id-4)"},
        {"onClickRemove", "[]", false, ""},
        {"onClickImgBtn", R"(["id-5"])", true, "onClickImgBtn(id-5)"},
        {"onClickImgBtn", "[]", false, ""},
        {"onChangeAlarmMute", R"(["1"])", true, "onChangeAlarmMute(muted)"},
        {"onChangeAlarmMute", R"(["0"])", true, "onChangeAlarmMute(sounding)"},
        {"onChangeAlarmMute", "[1]", true, "onChangeAlarmMute(sounding)"},
        {"onChangeAlarmMute", "[]", false, ""},
        {"onClickTrackHistory", R"(["id-6"])", true, "onClickTrackHistory(id-6)"},
        {"onClickTrackHistory", "[]", false, ""},
        {"onZoneSaved", R"(["", "Depot", "{\"type\":\"Polygon\"}"])", true,
         R"(onZoneSaved(|Depot|{"type":"Polygon"}))"},
        {"onZoneSaved", R"(["4", ""])", false, ""},
        {"onZoneDeleted", R"(["4"])", true, "onZoneDeleted(4)"},
        {"onZoneDeleted", "[]", false, ""},
        {"onChangeName", R"(["id", "Z\u00fcrich \u5317\u4eac"])", true,
         "onChangeName(id|Z\xC3\xBCrich \xE5\x8C\x97\xE4\xBA\xAC)"},
        {"onclicklog", "[]", false, ""},
        {"toString", "[]", false, ""},
        {"", "[]", false, ""},
    };
    for (const auto& c : cases) {
        RecordingListener listener;
        CefClientV8Handler handler;
        handler.setListener(&listener);
        SCOPED_TRACE(std::string(c.name) + " " + c.arguments);
        EXPECT_EQ(handler.execute(QString::fromUtf8(c.name), arguments(c.arguments)), c.handled);
        if (c.handled) {
            EXPECT_EQ(listener.calls, std::vector<std::string>{c.call});
        } else {
            EXPECT_TRUE(listener.calls.empty());
        }
    }
}

TEST(CefClientV8HandlerDispatch, WithoutAListenerNothingIsHandled)
{
    CefClientV8Handler handler;
    EXPECT_FALSE(handler.execute(QStringLiteral("onClickLog"), {}));
}

class LoadCounter : public CefClientListener
{
public:
    void onPageLoaded() override { ++loads; }
    int loads = 0;
};

// The page calls one function while it is still being parsed, before the
// channel can be ready: that call must wait and arrive first.
const char* const extensionPage = R"HTML(<!DOCTYPE html>
<html><head><script>
window.early = typeof cef.extension.onClickImgBtn;
cef.extension.onClickImgBtn('from-parsing');
</script></head><body></body></html>)HTML";

TEST(CefClientV8HandlerPage, PageCallsReachTheListener)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    RecordingListener listener;
    CefClientV8Handler extension;
    extension.setListener(&listener);
    LoadCounter loads;
    CefClientHandler client(folder.path());
    client.setListener(&loads);
    client.setPageText(QString::fromUtf8(extensionPage));
    QWebEngineView view;
    extension.attach(view.page());
    EXPECT_FALSE(view.page()->scripts().find(CefClientV8Handler::extensionName()).isEmpty());
    ASSERT_TRUE(client.adopt(&view));
    ASSERT_TRUE(waitFor([&] { return loads.loads > 0; }));

    EXPECT_EQ(evaluate(*view.page(), "window.early"), QVariant("function"));
    EXPECT_EQ(evaluate(*view.page(), "cef.extension.onClickLog() === undefined"), QVariant(true));
    client.executeScript(QStringLiteral(R"JS(
        cef.extension.onClickSetup();
        cef.extension.onChangeName('v1', 42);
        cef.extension.onChangeName('v1', 'Van \'A\'');
        cef.extension.onUpdateOptionalInfo('v2', 'x');
        cef.extension.onUpdateOptionalInfo('v2', ['p.png', 'one', 'two']);
        cef.extension.onUpdateOptionalInfo('v2', [function () {}, {}, 3]);
        cef.extension.onUpdateOptionalInfo('v2');
        cef.extension.onClickEdit('v3');
        cef.extension.onClickRemove(undefined);
        cef.extension.onClickEdit();
        cef.extension.onClickImgBtn('last');
    )JS"));

    const std::vector<std::string> expected = {
        "onClickImgBtn(from-parsing)",
        "onClickLog()",
        "onClickSetup()",
        "onChangeName(v1|)",
        "onChangeName(v1|Van 'A')",
        "onUpdateOptionalInfo(v2|||)",
        "onUpdateOptionalInfo(v2|p.png|one|two)",
        "onUpdateOptionalInfo(v2|||)",
        "onClickEdit(v3)",
        "onClickRemove()",
        "onClickImgBtn(last)",
    };
    ASSERT_TRUE(waitFor([&] { return listener.calls.size() >= expected.size(); }));
    EXPECT_EQ(listener.calls, expected);
}

} // namespace
} // namespace corvane
