#pragma once

#include <QJsonArray>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <memory>

class QWebEnginePage;

namespace corvane {

class CefClientV8Listener;
class ExtensionBridge;

// The native side of the page extension "cef/extension": the functions
// cef.extension.onClickLog, onClickSetup, onChangeName, onUpdateOptionalInfo,
// onClickEdit, onClickRemove, onClickImgBtn, onClickTrackHistory,
// onChangeAlarmMute ("1" muted, anything else not), onZoneSaved, onZoneDeleted
// and onAcknowledgeAlarms, which the page calls and which
// reach the window's CefClientV8Listener.
//
// attach installs, in a page that has not loaded yet, the extension script
// (injected at document creation into the page's main world, so it exists
// before any page script runs) and a web channel to this handler. Calls the
// page makes before the channel is ready wait in the script and are delivered
// in order once it is.
//
// Ownership: the handler owns the object published on the channels; each
// attached page owns its channel. The listener is not owned and must outlive
// the handler's use. Threads: GUI thread only; the page's calls arrive there.
// attach raises SystemException (ENOENT) when the web channel's client script
// is missing from the Qt installation; nothing else throws but std::bad_alloc.
class CefClientV8Handler
{
public:
    CefClientV8Handler();
    ~CefClientV8Handler();
    CefClientV8Handler(const CefClientV8Handler&) = delete;
    CefClientV8Handler& operator=(const CefClientV8Handler&) = delete;

    // Stores the window's listener, which receives every call from now on.
    // May be null (calls are then not handled).
    void setListener(CefClientV8Listener* listener);

    // Installs the extension into page; call before the page loads.
    void attach(QWebEnginePage* page);

    // The address of the station's own page. Once set, calls that arrive
    // through the page's channel are handled only while the attached page
    // shows that address (a fragment aside); any other document gets no answer.
    void setPageAddress(const QUrl& address);

    // A call from the attached page's channel: execute() under the rule above.
    bool executeFromPage(const QString& name, const QJsonArray& arguments);

    // Dispatches one call of a native function to the listener: name selects
    // the function; an argument that is not a string reads as empty text.
    // Returns false, without calling the listener, for an unknown name, for
    // too few arguments, and when there is no listener.
    bool execute(const QString& name, const QJsonArray& arguments);

    // "cef/extension"
    static QString extensionName();

private:
    CefClientV8Listener* m_listener = nullptr;
    std::unique_ptr<ExtensionBridge> m_bridge;
    QPointer<QWebEnginePage> m_page;
    QUrl m_pageAddress;
};

} // namespace corvane
