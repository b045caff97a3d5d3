#include "browser/TileSchemeHandler.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "data/MBTilesFile.h"
#include "data/TileCache.h"
#include "data/TileFile.h"

#include <QBuffer>
#include <QImage>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <exception>

namespace corvane {

namespace {

constexpr int tileSide = 256;

// Decimal digits only: no sign, no blanks, no hexadecimal; short enough for
// any z/x/y up to level 30.
std::optional<qint64> number(QStringView part)
{
    if (part.isEmpty() || part.size() > 10)
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

QByteArray mimeOf(const QByteArray& bytes)
{
    const std::string format =
        MBTilesFile::sniffFormat(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()));
    if (format == "png")
        return "image/png";
    if (format == "jpg")
        return "image/jpeg";
    if (format == "webp")
        return "image/webp";
    return {};
}

void answer(QWebEngineUrlRequestJob* job, const QByteArray& bytes)
{
    // The engine reads the device after this call returns: it lives as long
    // as the job.
    auto* device = new QBuffer(job);
    device->setData(bytes);
    device->open(QIODevice::ReadOnly);
    const QByteArray mime = mimeOf(bytes);
    job->reply(mime.isEmpty() ? QByteArray("application/octet-stream") : mime, device);
}

QByteArray toBytes(const std::vector<std::uint8_t>& tile)
{
    return QByteArray(reinterpret_cast<const char*>(tile.data()),
                      static_cast<qsizetype>(tile.size()));
}

} // namespace

void TileSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme tiles(scheme);
    tiles.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Secure, so that no mixed-content rule stands between the page and its
    // tiles; CORS-enabled, so that the page may also read them as data.
    tiles.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(tiles);
}

std::optional<TileSchemeHandler::Address> TileSchemeHandler::parse(const QUrl& url)
{
    if (!url.isValid() || url.scheme() != QLatin1String(scheme) || url.port() != -1 ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    Address address{};
    const QString host = url.host();
    if (host == QLatin1String("offline"))
        address.source = Source::Offline;
    else if (host == QLatin1String("road"))
        address.source = Source::Road;
    else if (host == QLatin1String("satellite"))
        address.source = Source::Satellite;
    else
        return std::nullopt;
    const QString path = url.path(QUrl::FullyEncoded);
    const QList<QStringView> parts = QStringView(path).split(QLatin1Char('/'));
    if (parts.size() != 4 || !parts[0].isEmpty())
        return std::nullopt;
    const auto z = number(parts[1]);
    const auto x = number(parts[2]);
    const auto y = number(parts[3]);
    if (!z || !x || !y || *z > 30)
        return std::nullopt;
    const qint64 side = qint64(1) << *z;
    if (*x >= side || *y >= side)
        return std::nullopt;
    address.z = static_cast<int>(*z);
    address.x = static_cast<int>(*x);
    address.y = static_cast<int>(*y);
    return address;
}

QByteArray TileSchemeHandler::overzoom(const QByteArray& parent, int levels, int x, int y)
{
    QImage image;
    if (levels < 1 || levels > 30 || !image.loadFromData(parent) || image.width() <= 0)
        return {};
    // The parent covers 2^levels tiles a side; x and y's low bits say which.
    const int cells = 1 << std::min(levels, 16);
    const double side = double(image.width()) / cells;
    const double top = double(image.height()) / cells;
    const int column = x & (cells - 1);
    const int row = y & (cells - 1);
    const QRect part(int(column * side), int(row * top), std::max(1, int(side)),
                     std::max(1, int(top)));
    const QImage scaled = image.copy(part).scaled(tileSide, tileSide, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!scaled.save(&buffer, "PNG"))
        return {};
    return png;
}

QUrl TileSchemeHandler::tileAddress(const QString& addressTemplate, int z, int x, int y)
{
    static const char* const subdomains[] = {"a", "b", "c"};
    QString address = addressTemplate;
    address.replace(QLatin1String("{z}"), QString::number(z))
        .replace(QLatin1String("{x}"), QString::number(x))
        .replace(QLatin1String("{y}"), QString::number(y))
        .replace(QLatin1String("{s}"), QLatin1String(subdomains[(x + y) % 3]))
        .replace(QLatin1String("{r}"), QString());
    return QUrl(address);
}

TileSchemeHandler::TileSchemeHandler(QObject* parent) : QWebEngineUrlSchemeHandler(parent)
{
    m_worker.setMaxThreadCount(1);
}

TileSchemeHandler::~TileSchemeHandler()
{
    // Replies still in flight end with the network manager; their jobs are
    // the engine's and go with the page.
    if (m_profile && m_profile->urlSchemeHandler(scheme) == this)
        m_profile->removeUrlSchemeHandler(this);
    m_worker.clear();
    m_worker.waitForDone();
}

void TileSchemeHandler::install(QWebEngineProfile* profile)
{
    if (const QWebEngineUrlSchemeHandler* other = profile->urlSchemeHandler(scheme)) {
        if (other == this)
            return;
        profile->removeUrlScheme(scheme);
    }
    profile->installUrlSchemeHandler(scheme, this);
    m_profile = profile;
}

void TileSchemeHandler::setTileFiles(const QStringList& paths)
{
    m_worker.start([this, paths] {
        m_files.clear();
        for (const QString& path : paths) {
            try {
                m_files.push_back(TileFile::open(path.toStdString()));
            } catch (const Exception& e) {
                traceMessage("Tile file %s left out: %s", path.toLocal8Bit().constData(),
                             e.getMessage());
            }
        }
    });
}

void TileSchemeHandler::setCache(const QString& path, std::int64_t capBytes)
{
    m_worker.start([this, path, capBytes] {
        m_cache.reset();
        if (path.isEmpty())
            return;
        try {
            m_cache = std::make_unique<TileCache>(path.toStdString(), capBytes);
        } catch (const Exception& e) {
            traceMessage("Tile cache %s not opened: %s", path.toLocal8Bit().constData(),
                         e.getMessage());
        }
    });
}

void TileSchemeHandler::clearCache()
{
    m_worker.start([this] {
        if (!m_cache)
            return;
        try {
            m_cache->clear();
        } catch (const Exception& e) {
            traceMessage("Tile cache not cleared: %s", e.getMessage());
        }
    });
}

void TileSchemeHandler::setTemplates(const QString& road, const QString& satellite)
{
    m_road = road.trimmed();
    m_satellite = satellite.trimmed();
}

QString TileSchemeHandler::templateOf(Source source) const
{
    return source == Source::Satellite ? m_satellite : m_road;
}

void TileSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto address = parse(job->requestUrl());
    if (!address || job->requestMethod() != "GET") {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    const QPointer<QWebEngineUrlRequestJob> guarded(job);
    // Offline reads what road mode stored, but never goes online.
    const QString key = templateOf(address->source);
    const QString remote = address->source == Source::Offline ? QString() : key;
    m_worker.start([this, guarded, found = *address, key, remote] {
        const QByteArray bytes = lookUp(found, key);
        QMetaObject::invokeMethod(
            this,
            [this, guarded, found, remote, bytes] {
                if (guarded.isNull())
                    return; // the page no longer wants it
                if (!bytes.isEmpty())
                    answer(guarded, bytes);
                else if (remote.isEmpty())
                    guarded->fail(QWebEngineUrlRequestJob::UrlNotFound);
                else
                    fetch(guarded, found, remote);
            },
            Qt::QueuedConnection);
    });
}

QByteArray TileSchemeHandler::fromFiles(int z, int x, int y) const
{
    for (const auto& file : m_files) {
        std::vector<std::uint8_t> tile = file->tile(z, x, y);
        if (!tile.empty())
            return toBytes(tile);
    }
    return {};
}

QByteArray TileSchemeHandler::lookUp(const Address& address, const QString& cacheKey)
{
    // A file or cache that fails mid-read answers nothing: the page shows
    // what lies beneath rather than the worker ending the station.
    try {
        QByteArray bytes = fromFiles(address.z, address.x, address.y);
        if (!bytes.isEmpty())
            return bytes;
        if (m_cache && !cacheKey.isEmpty()) {
            std::vector<std::uint8_t> cached =
                m_cache->find(cacheKey.toStdString(), address.z, address.x, address.y);
            if (!cached.empty())
                return toBytes(cached);
        }
        if (address.source != Source::Offline)
            return {};
        for (int up = 1; up <= overzoomLevels && up <= address.z; ++up) {
            const QByteArray parent = fromFiles(address.z - up, address.x >> up, address.y >> up);
            if (!parent.isEmpty())
                return overzoom(parent, up, address.x, address.y);
        }
    } catch (const Exception& e) {
        traceMessage("Tile %d/%d/%d not read: %s", address.z, address.x, address.y, e.getMessage());
    }
    return {};
}

void TileSchemeHandler::fetch(QPointer<QWebEngineUrlRequestJob> job, const Address& address,
                              const QString& addressTemplate)
{
    if (m_inFlight >= maxFetches) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    QNetworkRequest request(tileAddress(addressTemplate, address.z, address.x, address.y));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("ORVEX Corvane/" CORVANE_VERSION));
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network.get(request);
    ++m_inFlight;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxTileBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [=, this] { onFetched(reply, job, address, addressTemplate); });
}

void TileSchemeHandler::onFetched(QNetworkReply* reply, QPointer<QWebEngineUrlRequestJob> job,
                                  const Address& address, const QString& addressTemplate)
{
    --m_inFlight;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray bytes =
        reply->error() == QNetworkReply::NoError && status == 200 ? reply->readAll() : QByteArray();
    // An error page served with 200 is no tile: neither shown nor kept.
    if (bytes.isEmpty() || bytes.size() > maxTileBytes || mimeOf(bytes).isEmpty()) {
        if (!job.isNull())
            job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    // Stored before it is answered: a tile the page has shown is in the
    // cache, whatever happens next.
    m_worker.start([this, job, address, addressTemplate, bytes] {
        try {
            if (m_cache)
                m_cache->store(addressTemplate.toStdString(), address.z, address.x, address.y,
                               std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        } catch (const Exception& e) {
            traceMessage("Tile %d/%d/%d not cached: %s", address.z, address.x, address.y,
                         e.getMessage());
        }
        QMetaObject::invokeMethod(
            this,
            [job, bytes] {
                if (!job.isNull())
                    answer(job, bytes);
            },
            Qt::QueuedConnection);
    });
}

} // namespace corvane
