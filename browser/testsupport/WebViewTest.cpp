#include "browser/testsupport/WebViewTest.h"

#include <QApplication>
#include <QTest>
#include <QWebEnginePage>
#include <gtest/gtest.h>
#include <memory>

namespace corvane::test {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs)
{
    // Shared with the callback, which may still arrive after a timeout.
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    page.runJavaScript(script, [result](const QVariant& value) {
        result->first = true;
        result->second = value;
    });
    if (!waitFor([&] { return result->first; }, timeoutMs)) {
        return {};
    }
    return result->second;
}

} // namespace corvane::test

int main(int argc, char** argv)
{
    // Web views need a GL context shared with the application's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
