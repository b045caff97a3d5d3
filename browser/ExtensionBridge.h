#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>

namespace corvane {

class CefClientV8Handler;

// The one object the page's extension script reaches through the web channel.
// It exposes nothing but dispatch, which hands every call on to the handler.
//
// Owned by its CefClientV8Handler, which must outlive it; lives on the GUI
// thread, where the channel delivers the page's calls.
class ExtensionBridge : public QObject
{
    Q_OBJECT

public:
    explicit ExtensionBridge(CefClientV8Handler& handler);

    // The name under which the script finds this object on the channel.
    static QString channelName();

public slots:
    // name: the native function the page called; arguments: what it passed.
    void dispatch(const QString& name, const QJsonArray& arguments);

private:
    CefClientV8Handler& m_handler;
};

} // namespace corvane
