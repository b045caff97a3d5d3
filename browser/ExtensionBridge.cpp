#include "browser/ExtensionBridge.h"

#include "browser/CefClientV8Handler.h"

namespace corvane {

ExtensionBridge::ExtensionBridge(CefClientV8Handler& handler) : m_handler(handler) {}

QString ExtensionBridge::channelName()
{
    return QStringLiteral("cefExtension");
}

void ExtensionBridge::dispatch(const QString& name, const QJsonArray& arguments)
{
    // The script ignores the outcome, as it never gets a result value.
    m_handler.executeFromPage(name, arguments);
}

} // namespace corvane
