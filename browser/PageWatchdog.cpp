#include "browser/PageWatchdog.h"

#include <QWebEnginePage>
#include <QWebEngineScript>

namespace corvane {

PageWatchdog::PageWatchdog(QObject* parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &PageWatchdog::probe);
}

void PageWatchdog::setTimes(int probeMs, int hangMs)
{
    m_probeMs = probeMs;
    m_hangMs = hangMs;
}

void PageWatchdog::arm(QWebEnginePage* page)
{
    ++m_arming;
    m_page = page;
    m_sinceAnswer.start();
    m_timer.start(m_probeMs);
}

void PageWatchdog::disarm()
{
    ++m_arming;
    m_timer.stop();
}

void PageWatchdog::probe()
{
    if (m_page.isNull()) {
        disarm();
        return;
    }
    const qint64 silent = m_sinceAnswer.elapsed();
    if (silent >= m_hangMs) {
        disarm();
        emit hung(silent);
        return;
    }
    const unsigned arming = m_arming;
    const QPointer<PageWatchdog> self(this);
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [self, arming](const QVariant&) {
                              if (!self.isNull() && self->m_arming == arming)
                                  self->m_sinceAnswer.start();
                          });
}

} // namespace corvane
