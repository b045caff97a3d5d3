#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class QWebEnginePage;

namespace corvane::test {

// The Qt side of the tests' deadline wait (testsupport/DeadlineWait.h): the
// same loop, with the application's events processed between two looks, so
// that signals, timers, posted callbacks and the web engine's answers arrive
// while a test waits for them.
//
// Every function here must be called on the thread that owns the
// QCoreApplication. Throws: whatever the condition throws.

// Processes events until condition holds or timeoutMs has passed; returns
// whether it holds.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// Runs script in page's main world and waits for its result; an invalid
// QVariant when no result came within the deadline.
QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs = 30000);

} // namespace corvane::test
