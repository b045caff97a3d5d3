#include "browser/MapWebPage.h"

#include "base/Trace.h"

#include <QCoreApplication>

namespace corvane {

namespace {

const char* const dialogNames[] = {"alert", "confirm", "prompt", "before-unload"};

// The engine asks before-unload through javaScriptConfirm with this text.
bool isUnloadQuestion(const QString& text)
{
    return text == QCoreApplication::translate(
                       "QWebEnginePage", "Are you sure you want to leave this page? Changes that "
                                         "you made may not be saved.");
}

} // namespace

MapWebPage::MapWebPage(QObject* parent) : QWebEnginePage(parent) {}

void MapWebPage::note(Dialog kind, const QString& text)
{
    Kind& k = m_kinds[index(kind)];
    ++k.answered;
    ++k.untraced;
    const auto now = std::chrono::steady_clock::now();
    if (k.everTraced && now - k.traced < traceQuiet)
        return;
    // Only the start of the text: the page may pass anything.
    const QByteArray shown = text.left(120).toUtf8();
    traceMessage("Map page: %s answered without a box (%d since the last note): %s",
                 dialogNames[index(kind)], k.untraced, shown.constData());
    k.untraced = 0;
    k.traced = now;
    k.everTraced = true;
}

void MapWebPage::javaScriptAlert(const QUrl&, const QString& msg)
{
    note(Dialog::Alert, msg);
}

bool MapWebPage::javaScriptConfirm(const QUrl&, const QString& msg)
{
    // "No" keeps the document when it is the before-unload question.
    note(isUnloadQuestion(msg) ? Dialog::Unload : Dialog::Confirm, msg);
    return false;
}

bool MapWebPage::javaScriptPrompt(const QUrl&, const QString& msg, const QString&, QString*)
{
    note(Dialog::Prompt, msg);
    return false;
}

} // namespace corvane
