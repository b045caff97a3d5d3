#include "browser/PageRequestGuard.h"

#include "browser/TileSchemeHandler.h"

#include <QDir>
#include <QMutexLocker>
#include <QWebEngineUrlRequestInfo>

namespace corvane {

namespace {

int defaultPort(const QString& scheme)
{
    return scheme == QLatin1String("https") ? 443 : 80;
}

} // namespace

PageRequestGuard::PageRequestGuard(const QString& startupFolder, const QUrl& pageAddress,
                                   QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent),
      m_imagesFolder(QDir::cleanPath(startupFolder + QStringLiteral("/images")) + QLatin1Char('/')),
      m_pageAddress(pageAddress)
{}

bool PageRequestGuard::makeRule(const QString& address, HostRule& rule)
{
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    if (schemeEnd <= 0)
        return false;
    rule.scheme = address.left(schemeEnd).toLower();
    if (rule.scheme != QLatin1String("http") && rule.scheme != QLatin1String("https"))
        return false;
    const qsizetype hostStart = schemeEnd + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < address.size() && !QStringLiteral("/?#").contains(address.at(hostEnd)))
        ++hostEnd;
    QString authority = address.mid(hostStart, hostEnd - hostStart).toLower();
    // No user names: "user@host" would make the user part look like the host.
    if (authority.isEmpty() || authority.contains(QLatin1Char('@')))
        return false;
    rule.port = defaultPort(rule.scheme);
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && !authority.contains(QLatin1Char(']'))) {
        bool ok = false;
        rule.port = authority.mid(colon + 1).toInt(&ok);
        if (!ok)
            return false;
        authority.truncate(colon);
    }
    // Each "{...}" part stands for one name label; the rest must match as it is.
    QString pattern;
    qsizetype pos = 0;
    while (pos < authority.size()) {
        const qsizetype open = authority.indexOf(QLatin1Char('{'), pos);
        if (open < 0) {
            pattern += QRegularExpression::escape(authority.mid(pos));
            break;
        }
        const qsizetype close = authority.indexOf(QLatin1Char('}'), open);
        if (close < 0)
            return false;
        pattern += QRegularExpression::escape(authority.mid(pos, open - pos));
        pattern += QStringLiteral("[a-z0-9-]+");
        pos = close + 1;
    }
    rule.host = QRegularExpression(QRegularExpression::anchoredPattern(pattern));
    return rule.host.isValid();
}

void PageRequestGuard::setRemoteTemplates(const QStringList& templates)
{
    QVector<HostRule> rules;
    for (const QString& address : templates) {
        HostRule rule;
        if (makeRule(address.trimmed(), rule))
            rules.push_back(rule);
    }
    QMutexLocker lock(&m_mutex);
    m_rules = std::move(rules);
}

bool PageRequestGuard::allows(const QUrl& url) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
        scheme == QLatin1String(TileSchemeHandler::scheme))
        return true;
    if (scheme == QLatin1String("file")) {
        if (url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == m_pageAddress)
            return true;
        // Cleaned first, so that "images/../../x" cannot climb out.
        const QString path = QDir::cleanPath(url.toLocalFile());
        return url.host().isEmpty() && path.startsWith(m_imagesFolder);
    }
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    const QString host = url.host().toLower();
    const int port = url.port(defaultPort(scheme));
    QMutexLocker lock(&m_mutex);
    for (const HostRule& rule : m_rules) {
        if (rule.scheme == scheme && rule.port == port && rule.host.match(host).hasMatch())
            return true;
    }
    return false;
}

void PageRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!allows(info.requestUrl()))
        info.block(true);
}

} // namespace corvane
