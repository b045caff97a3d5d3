#include "browser/CefClientV8Handler.h"

#include "base/SystemException.h"
#include "browser/CefClientV8Listener.h"
#include "browser/ExtensionBridge.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <cerrno>

namespace corvane {

namespace {

// Defines cef.extension.* on top of the web channel client. Every function
// forwards its name and its arguments, reduced to what the native side reads
// (texts, and for an array its texts; anything else becomes null), so that no
// page value can fail to cross the channel. The native functions give no
// result: each call returns undefined.
const char* const extensionScript = R"JS(
(function () {
    'use strict';
    var root = window;
    if (typeof root.cef !== 'object' || root.cef === null) {
        root.cef = {};
    }
    if (typeof root.cef.extension !== 'object' || root.cef.extension === null) {
        root.cef.extension = {};
    }
    var bridge = null;
    var pending = [];
    function textOrNull(value) {
        return typeof value === 'string' ? value : null;
    }
    function reduce(value) {
        if (Array.isArray(value)) {
            var texts = [];
            for (var i = 0; i < value.length; ++i) {
                texts.push(textOrNull(value[i]));
            }
            return texts;
        }
        return textOrNull(value);
    }
    function forward(name, args) {
        var list = [];
        for (var i = 0; i < args.length; ++i) {
            list.push(reduce(args[i]));
        }
        if (bridge) {
            bridge.dispatch(name, list);
        } else {
            pending.push([name, list]);
        }
    }
    ['onClickLog', 'onClickSetup', 'onChangeName', 'onUpdateOptionalInfo', 'onClickEdit',
     'onClickRemove', 'onClickImgBtn', 'onChangeAlarmMute', 'onClickTrackHistory',
     'onZoneSaved', 'onZoneDeleted', 'onAcknowledgeAlarms']
        .forEach(function (name) {
        root.cef.extension[name] = function () {
            forward(name, arguments);
        };
    });
    function connect() {
        new QWebChannel(root.qt.webChannelTransport, function (channel) {
            bridge = channel.objects[@CHANNEL_NAME@];
            var calls = pending;
            pending = [];
            calls.forEach(function (call) {
                bridge.dispatch(call[0], call[1]);
            });
        });
    }
    if (root.qt && root.qt.webChannelTransport) {
        connect();
    } else {
        document.addEventListener('DOMContentLoaded', function () {
            if (root.qt && root.qt.webChannelTransport) {
                connect();
            }
        });
    }
})();
)JS";

QString channelClientScript()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) {
        // The web channel client script ships inside Qt's WebChannel library.
        CORVANE_THROW(SystemException, ENOENT);
    }
    return QString::fromUtf8(file.readAll());
}

QString quotedForScript(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QWebEngineScript makeExtension()
{
    QString source = channelClientScript();
    source += QString::fromUtf8(extensionScript)
                  .replace(QStringLiteral("@CHANNEL_NAME@"),
                           quotedForScript(ExtensionBridge::channelName()));
    QWebEngineScript script;
    script.setName(CefClientV8Handler::extensionName());
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

// Argument index as narrow text; anything but a string reads as empty.
std::string textAt(const QJsonArray& arguments, qsizetype index)
{
    if (index >= arguments.size()) {
        return {};
    }
    const QJsonValue value = arguments.at(index);
    return value.isString() ? value.toString().toStdString() : std::string();
}

} // namespace

CefClientV8Handler::CefClientV8Handler() : m_bridge(std::make_unique<ExtensionBridge>(*this)) {}

CefClientV8Handler::~CefClientV8Handler() = default;

QString CefClientV8Handler::extensionName()
{
    return QStringLiteral("cef/extension");
}

void CefClientV8Handler::setListener(CefClientV8Listener* listener)
{
    m_listener = listener;
}

void CefClientV8Handler::attach(QWebEnginePage* page)
{
    m_page = page;
    page->scripts().insert(makeExtension());
    // Parented to the page: the channel lives exactly as long as the page that
    // uses it, and forgets the bridge by itself if the bridge dies first.
    auto* channel = new QWebChannel(page);
    channel->registerObject(ExtensionBridge::channelName(), m_bridge.get());
    page->setWebChannel(channel);
}

void CefClientV8Handler::setPageAddress(const QUrl& address)
{
    m_pageAddress = address;
}

bool CefClientV8Handler::executeFromPage(const QString& name, const QJsonArray& arguments)
{
    // A fragment (location.hash) keeps the document, and so the answers.
    if (!m_pageAddress.isEmpty() &&
        (m_page.isNull() || m_page->url().adjusted(QUrl::RemoveFragment) != m_pageAddress)) {
        return false;
    }
    return execute(name, arguments);
}

bool CefClientV8Handler::execute(const QString& name, const QJsonArray& arguments)
{
    if (m_listener == nullptr) {
        return false;
    }
    if (name == QLatin1String("onClickLog")) {
        m_listener->onClickLog();
        return true;
    }
    if (name == QLatin1String("onClickSetup")) {
        m_listener->onClickSetup();
        return true;
    }
    if (name == QLatin1String("onChangeName")) {
        if (arguments.size() < 2) {
            return false;
        }
        m_listener->onChangeName(textAt(arguments, 0), textAt(arguments, 1));
        return true;
    }
    if (name == QLatin1String("onUpdateOptionalInfo")) {
        if (arguments.size() < 2) {
            return false;
        }
        const QJsonValue info = arguments.at(1);
        const QJsonArray details = info.isArray() ? info.toArray() : QJsonArray();
        m_listener->onUpdateOptionalInfo(textAt(arguments, 0), textAt(details, 0),
                                         textAt(details, 1), textAt(details, 2));
        return true;
    }
    if (name == QLatin1String("onChangeAlarmMute")) {
        if (arguments.isEmpty()) {
            return false;
        }
        m_listener->onChangeAlarmMute(textAt(arguments, 0) == "1");
        return true;
    }
    if (name == QLatin1String("onZoneSaved")) {
        if (arguments.size() < 3) {
            return false;
        }
        m_listener->onZoneSaved(textAt(arguments, 0), textAt(arguments, 1), textAt(arguments, 2));
        return true;
    }
    if (name == QLatin1String("onAcknowledgeAlarms")) {
        if (arguments.size() < 3) {
            return false;
        }
        m_listener->onAcknowledgeAlarms(textAt(arguments, 0), textAt(arguments, 1),
                                        textAt(arguments, 2));
        return true;
    }
    using IdCall = void (CefClientV8Listener::*)(const std::string&);
    IdCall call = nullptr;
    if (name == QLatin1String("onClickEdit")) {
        call = &CefClientV8Listener::onClickEdit;
    } else if (name == QLatin1String("onClickRemove")) {
        call = &CefClientV8Listener::onClickRemove;
    } else if (name == QLatin1String("onClickImgBtn")) {
        call = &CefClientV8Listener::onClickImgBtn;
    } else if (name == QLatin1String("onClickTrackHistory")) {
        call = &CefClientV8Listener::onClickTrackHistory;
    } else if (name == QLatin1String("onZoneDeleted")) {
        call = &CefClientV8Listener::onZoneDeleted;
    }
    if (call == nullptr || arguments.isEmpty()) {
        return false;
    }
    (m_listener->*call)(textAt(arguments, 0));
    return true;
}

} // namespace corvane
