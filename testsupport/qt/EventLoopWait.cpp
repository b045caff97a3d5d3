#include "testsupport/qt/EventLoopWait.h"

#include "testsupport/DeadlineWait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWebEnginePage>
#include <memory>

namespace corvane::test {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return test::waitFor(condition, std::chrono::milliseconds(timeoutMs), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Objects the code under test handed to deleteLater() go now, as they
        // would in a running event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
}

QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs)
{
    // Shared with the callback, which may still arrive after a timeout.
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    page.runJavaScript(script, [result](const QVariant& value) {
        result->first = true;
        result->second = value;
    });
    if (!waitFor([&] { return result->first; }, timeoutMs))
        return {};
    return result->second;
}

} // namespace corvane::test
