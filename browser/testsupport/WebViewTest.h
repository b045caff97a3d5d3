#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class QWebEnginePage;

namespace corvane::test {

// Helpers for tests that host a web view. The test executable's main() (in
// WebViewTest.cpp) runs GoogleTest inside a QApplication; every helper must be
// called on that (the main) thread.

// Processes events until condition holds or timeoutMs has passed; returns
// whether it holds.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// Runs script in page's main world and waits for its result; an invalid
// QVariant when no result came within the deadline.
QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs = 30000);

} // namespace corvane::test
