#pragma once

#include <QMutex>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVector>
#include <QWebEngineUrlRequestInterceptor>

namespace corvane {

// Decides which addresses the map page may reach, and blocks the rest: the
// page's own address, pictures under "images/" of the start-up folder, the
// hosts of the configured tile and geocoder addresses, the station's own tile
// scheme (its handler judges each address), and data held by the page itself
// (data: and blob: addresses). Anything else (other local files,
// other hosts, other schemes) is refused, so neither a hostile text nor a
// dropped document can read local files or reach other machines.
//
// A configured address is a template such as
// "https://{s}.tile.example.org/{z}/{x}/{y}.png": scheme, host and port must
// match; a "{...}" part of the host stands for one name label.
//
// Ownership: a plain object; install it on the page (or profile) and keep it
// alive as long as that. Threads: the engine calls interceptRequest on its
// own thread; setters may run on any thread at the same time.
// Throws: only std::bad_alloc.
class PageRequestGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    // startupFolder: the folder whose images/ the page may read;
    // pageAddress: the address the page text is loaded with.
    PageRequestGuard(const QString& startupFolder, const QUrl& pageAddress,
                     QObject* parent = nullptr);

    // The tile and geocoder address templates now in use.
    void setRemoteTemplates(const QStringList& templates);

    bool allows(const QUrl& url) const;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    struct HostRule
    {
        QString scheme;
        QRegularExpression host;
        int port;
    };
    static bool makeRule(const QString& address, HostRule& rule);

    const QString m_imagesFolder; // cleaned, ends with '/'
    const QUrl m_pageAddress;
    mutable QMutex m_mutex; // guards m_rules
    QVector<HostRule> m_rules;
};

} // namespace corvane
