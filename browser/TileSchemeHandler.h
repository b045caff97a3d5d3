#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QWebEngineProfile;
class QWebEngineUrlRequestJob;

namespace corvane {

class TileCache;
class TileFile;

// Answers the map page's tile requests, corvane-tile://<source>/<z>/<x>/<y>
// with <source> offline, road or satellite, so that tiles come from the
// station and not straight from a tile server. In order:
//  1. the operator's tile files, MBTiles or PMTiles (the first that has the tile); for
//     offline, where no file has the tile, the nearest lower level's tile
//     covering it (up to overzoomLevels levels up), its sub-square scaled to
//     256 px, so the page never gets a blank square inside a file's zooms;
//  2. the tile cache (tiles.db), keyed by the road or satellite address
//     template (offline reads the road template's tiles);
//  3. road and satellite only: the network, through the source's template,
//     one fetch per asked tile (nothing is fetched ahead of the view), with
//     a User-Agent naming the station; what arrives is stored in the cache
//     before the page gets it.
// Anything else, a malformed address included, is failed at once: the page
// shows the outlines beneath and nothing waits.
//
// A server that is down never stalls: fetches are asynchronous on the GUI
// thread, each ends after networkTimeoutMs at the latest, and at most
// maxFetches are in flight (a request past that is failed at once rather
// than queued behind a dead server).
//
// Ownership: a QObject on the GUI thread; owns the tile files and the cache,
// which only its single worker thread touches (they read the disk). Install
// it with install(); it removes itself from that profile when destroyed.
// The destructor waits for the worker's current lookup.
// Threads: GUI thread only (the engine calls requestStarted there too);
// registerScheme() before the application object exists.
// Throws: only std::bad_alloc. A tile file or cache that cannot be opened is
// left out and traced, not thrown.
class TileSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static constexpr char scheme[] = "corvane-tile";
    static constexpr int overzoomLevels = 8;
    // As many as one host gets connections from the network manager: more
    // would only queue there, unseen by the bound.
    static constexpr int maxFetches = 6;
    static constexpr int defaultNetworkTimeoutMs = 10000;
    // Larger answers are no tile the page could show; refused unread.
    static constexpr qint64 maxTileBytes = 4 * 1024 * 1024;

    enum class Source
    {
        Offline,
        Road,
        Satellite
    };
    struct Address
    {
        Source source;
        int z;
        int x;
        int y;
    };

    // Makes the scheme known to the web engine; must run before the
    // QApplication is made, once per process.
    static void registerScheme();

    // The tile an address names, or nothing for a malformed one (another
    // scheme, unknown source, a part that is not a decimal number, z out of
    // 0..30, x or y out of 0..2^z-1, anything after y).
    static std::optional<Address> parse(const QUrl& url);

    // The part of parent (a tile levels above) that covers tile x/y, scaled
    // up to 256 x 256, as PNG; empty when parent is no readable image.
    static QByteArray overzoom(const QByteArray& parent, int levels, int x, int y);

    // A template's address for one tile: {z}, {x}, {y}, {s} (a, b or c by
    // tile) and {r} (empty) filled in.
    static QUrl tileAddress(const QString& addressTemplate, int z, int x, int y);

    explicit TileSchemeHandler(QObject* parent = nullptr);
    ~TileSchemeHandler() override;

    // Replaces the profile's handler of the scheme with this one.
    void install(QWebEngineProfile* profile);

    // The tile files in answer order. Files that cannot be opened are
    // traced and left out; the lookups already queued finish first.
    void setTileFiles(const QStringList& paths);
    // Opens (or reopens) the cache at path with capBytes; an empty path
    // closes it.
    void setCache(const QString& path, std::int64_t capBytes);
    // Empties the cache, after the lookups already queued; a failure is
    // traced and leaves the cache as it was.
    void clearCache();
    // The road and satellite address templates; an empty one fetches
    // nothing.
    void setTemplates(const QString& road, const QString& satellite);
    void setNetworkTimeoutMs(int ms) { m_timeoutMs = ms; }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    // Worker side: never on the GUI thread.
    QByteArray lookUp(const Address& address, const QString& cacheKey);
    QByteArray fromFiles(int z, int x, int y) const;
    void fetch(QPointer<QWebEngineUrlRequestJob> job, const Address& address,
               const QString& addressTemplate);
    void onFetched(QNetworkReply* reply, QPointer<QWebEngineUrlRequestJob> job,
                   const Address& address, const QString& addressTemplate);
    QString templateOf(Source source) const;

    QThreadPool m_worker;                           // one thread: the files and the cache in order
    std::vector<std::unique_ptr<TileFile>> m_files; // worker only
    std::unique_ptr<TileCache> m_cache;             // worker only
    QString m_road;
    QString m_satellite;
    QNetworkAccessManager m_network;
    int m_inFlight = 0;
    int m_timeoutMs = defaultNetworkTimeoutMs;
    QPointer<QWebEngineProfile> m_profile;
};

} // namespace corvane
