// The tile scheme through a real web engine: MBTiles files made here, a tile
// server on 127.0.0.1 that answers, hangs or is gone, and the map page itself.

#include "browser/CefClientHandler.h"
#include "browser/TileSchemeHandler.h"
#include "browser/testsupport/TileFileMaker.h"
#include "data/TileCache.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Failure messages show the texts compared.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << text.toStdString();
}

namespace corvane {
namespace {

using test::evaluate;
using test::waitFor;

using Tile = test::TileFileMaker::Tile;

QByteArray plainTile(QColor colour)
{
    return test::TileFileMaker::plainTile(colour);
}

void makeMBTiles(const QString& path, const std::vector<Tile>& tiles)
{
    ASSERT_TRUE(test::TileFileMaker::write(path, tiles)) << path.toStdString();
}

// A tile server on 127.0.0.1 that answers every request with one tile, or
// never answers, and records what it was asked.
class TileServer : public QObject
{
public:
    enum class Mode
    {
        Answer,
        Hang,
        NotATile
    };

    explicit TileServer(Mode mode, QByteArray tile = {}) : m_mode(mode), m_tile(std::move(tile))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                m_sockets.push_back(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
    }

    QString addressTemplate() const
    {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(m_server.serverPort());
    }

    void stop()
    {
        m_server.close();
        for (QTcpSocket* socket : m_sockets)
            socket->abort();
    }

    QStringList paths;
    QStringList userAgents;

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> lines = request.split('\n');
        paths << QString::fromLatin1(lines[0].split(' ').value(1));
        for (const QByteArray& line : lines)
            if (line.toLower().startsWith("user-agent:"))
                userAgents << QString::fromLatin1(line.mid(11).trimmed());
        if (m_mode == Mode::Hang)
            return;
        const QByteArray body = m_mode == Mode::Answer ? m_tile : QByteArray("<html>busy</html>");
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n"
                      "Content-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    Mode m_mode;
    QByteArray m_tile;
    QTcpServer m_server;
    std::vector<QTcpSocket*> m_sockets; // children of the server
    QHash<QTcpSocket*, QByteArray> m_requests;
};

// Loads a tile into an image of a blank page, as the map's tile layer does,
// and reads it back: "error", or its size and the colours at the centres of
// its four quadrants.
const char loaderPage[] = R"HTML(<!DOCTYPE html><html><body><script>
window.results = {};
window.loadTile = function (url) {
    var image = new Image();
    image.crossOrigin = 'anonymous';
    image.onload = function () {
        var canvas = document.createElement('canvas');
        canvas.width = image.naturalWidth;
        canvas.height = image.naturalHeight;
        var context = canvas.getContext('2d');
        context.drawImage(image, 0, 0);
        var w = canvas.width, h = canvas.height, text = w + 'x' + h;
        try {
            [[w / 4, h / 4], [3 * w / 4, h / 4], [w / 4, 3 * h / 4], [3 * w / 4, 3 * h / 4]]
                .forEach(function (p) {
                    var d = context.getImageData(Math.floor(p[0]), Math.floor(p[1]), 1, 1).data;
                    text += ' ' + ((1 << 24) | (d[0] << 16) | (d[1] << 8) | d[2]).toString(16).slice(1);
                });
        } catch (e) {
            text += ' unreadable';
        }
        window.results[url] = text;
    };
    image.onerror = function () { window.results[url] = 'error'; };
    image.src = url;
};
</script></body></html>)HTML";

QString colours(QColor a, QColor b, QColor c, QColor d)
{
    QString text = QStringLiteral("256x256");
    for (QColor colour : {a, b, c, d})
        text += QLatin1Char(' ') + colour.name().mid(1);
    return text;
}

QString uniform(QColor colour)
{
    return colours(colour, colour, colour, colour);
}

class TileSchemeHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_handler.install(QWebEngineProfile::defaultProfile());
        m_handler.setNetworkTimeoutMs(60000);
        m_page = std::make_unique<QWebEnginePage>();
        QObject::connect(m_page.get(), &QWebEnginePage::loadFinished,
                         [this](bool ok) { m_loaded = ok; });
    }

    // The loader is a document of the tile's own host, so that it may read
    // the tile's pixels back.
    void loaderFor(const QString& url)
    {
        const QString host = QUrl(url).host();
        if (host == m_loaderHost)
            return;
        m_loaded = false;
        m_page->setHtml(QString::fromLatin1(loaderPage),
                        QUrl(QStringLiteral("corvane-tile://%1/loader").arg(host)));
        ASSERT_TRUE(waitFor([&] { return m_loaded; }));
        m_loaderHost = host;
    }

    QString file(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    void start(const QString& url)
    {
        loaderFor(url);
        evaluate(*m_page, QStringLiteral("delete results['%1']; loadTile('%1')").arg(url));
    }
    QString result(const QString& url)
    {
        return evaluate(*m_page, QStringLiteral("results['%1']").arg(url)).toString();
    }
    // The tile's answer, waited for with a deadline.
    QString load(const QString& url, int timeoutMs = 30000)
    {
        start(url);
        QString answer;
        waitFor([&] { return !(answer = result(url)).isEmpty(); }, timeoutMs);
        return answer.isEmpty() ? QStringLiteral("no answer") : answer;
    }

    QTemporaryDir m_folder;
    TileSchemeHandler m_handler;
    std::unique_ptr<QWebEnginePage> m_page;
    bool m_loaded = false;
    QString m_loaderHost;
};

const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255), yellow(255, 255, 0),
    grey(128, 128, 128), white(255, 255, 255);

TEST(TileAddress, OnlyWellFormedTilesOfAKnownSourceParse)
{
    using Source = TileSchemeHandler::Source;
    struct Case
    {
        const char* url;
        bool valid;
        Source source = Source::Offline;
        int z = 0, x = 0, y = 0;
    };
    const Case cases[] = {
        {"corvane-tile://offline/0/0/0", true, Source::Offline, 0, 0, 0},
        {"corvane-tile://road/3/7/5", true, Source::Road, 3, 7, 5},
        {"corvane-tile://satellite/30/1073741823/0", true, Source::Satellite, 30, 1073741823, 0},
        {"corvane-tile://ROAD/1/1/1", true, Source::Road, 1, 1, 1}, // hosts know no case
        {"corvane-tile://road/3/8/0", false},                       // x past 2^z - 1
        {"corvane-tile://road/3/0/8", false},
        {"corvane-tile://road/31/0/0", false},
        {"corvane-tile://road/-1/0/0", false},
        {"corvane-tile://road/1/-0/0", false},
        {"corvane-tile://road/+1/0/0", false},
        {"corvane-tile://road/1/0x1/0", false},
        {"corvane-tile://road/1/ 1/0", false},
        {"corvane-tile://road/1/1.0/0", false},
        {"corvane-tile://road/99999999999/0/0", false},
        {"corvane-tile://road/4294967297/0/0", false}, // wraps to 1 in 32 bits
        {"corvane-tile://road/1/0", false},
        {"corvane-tile://road/1/0/0/0", false},
        {"corvane-tile://road/1/0/0/", false},
        {"corvane-tile://road//1/0/0", false},
        {"corvane-tile://road/1/0/0?x=1", false},
        {"corvane-tile://road/1/0/0#top", false},
        {"corvane-tile://road:80/1/0/0", false},
        {"corvane-tile://me@road/1/0/0", false},
        {"corvane-tile://terrain/1/0/0", false},
        {"corvane-tile:///1/0/0", false},
        {"http://road/1/0/0", false},
    };
    for (const Case& c : cases) {
        const auto address = TileSchemeHandler::parse(QUrl(QString::fromLatin1(c.url)));
        ASSERT_EQ(address.has_value(), c.valid) << c.url;
        if (!c.valid)
            continue;
        EXPECT_EQ(address->source, c.source) << c.url;
        EXPECT_EQ(address->z, c.z) << c.url;
        EXPECT_EQ(address->x, c.x) << c.url;
        EXPECT_EQ(address->y, c.y) << c.url;
    }
}

TEST(TileAddress, TemplatesGetTheTileAndASubdomainByTile)
{
    EXPECT_EQ(TileSchemeHandler::tileAddress("https://{s}.t.example/{z}/{x}/{y}{r}.png", 5, 3, 1),
              QUrl("https://b.t.example/5/3/1.png"));
    EXPECT_EQ(TileSchemeHandler::tileAddress("https://t.example/tile/{z}/{y}/{x}", 12, 2047, 9),
              QUrl("https://t.example/tile/12/9/2047"));
}

TEST_F(TileSchemeHandlerTest, FilesAnswerInOrderWithNorthernRowsAndNoNetwork)
{
    // TMS rows in the file: y = 0 must come back as the north row.
    makeMBTiles(
        file("first.mbtiles"),
        {{1, 0, 0, plainTile(red)}, {1, 1, 0, plainTile(green)}, {1, 0, 1, plainTile(blue)}});
    makeMBTiles(file("second.mbtiles"), {{1, 0, 0, plainTile(grey)}, {1, 1, 1, plainTile(yellow)}});
    ASSERT_TRUE(test::TileFileMaker::writePMTiles(
        file("third.pmtiles"), {{1, 1, 1, plainTile(grey)}, {2, 3, 3, plainTile(white)}}));
    m_handler.setTileFiles({file("missing.mbtiles"), file("first.mbtiles"), file("second.mbtiles"),
                            file("third.pmtiles")});
    // The road template points at a port nothing listens on: no tile comes
    // from the network.
    m_handler.setTemplates("http://127.0.0.1:9/{z}/{x}/{y}.png", "");
    const struct
    {
        const char* url;
        QString expected;
    } cases[] = {
        {"corvane-tile://offline/1/0/0", uniform(red)}, // the first file wins
        {"corvane-tile://offline/1/1/0", uniform(green)},
        {"corvane-tile://offline/1/0/1", uniform(blue)},
        {"corvane-tile://offline/1/1/1", uniform(yellow)}, // only the second has it
        {"corvane-tile://road/1/1/1", uniform(yellow)},
        {"corvane-tile://satellite/1/0/0", uniform(red)},
        {"corvane-tile://offline/2/3/3", uniform(white)}, // from the PMTiles file
        {"corvane-tile://offline/0/0/0", "error"},        // no file has it, none lower
    };
    for (const auto& c : cases)
        EXPECT_EQ(load(c.url), c.expected) << c.url;
}

TEST_F(TileSchemeHandlerTest, OverzoomScalesTheCoveringPartOfTheNearestLowerTile)
{
    const QColor quadrants[4] = {red, green, blue, yellow};
    makeMBTiles(file("low.mbtiles"), {{1, 0, 0, test::TileFileMaker::quadrantTile(quadrants)},
                                      {3, 3, 3, plainTile(grey)}});
    m_handler.setTileFiles({file("low.mbtiles")});
    const struct
    {
        const char* url;
        QString expected;
    } cases[] = {
        // Level 2 under the level-1 tile 0/0: one quadrant each, whole.
        {"corvane-tile://offline/2/0/0", uniform(red)},
        {"corvane-tile://offline/2/1/0", uniform(green)},
        {"corvane-tile://offline/2/0/1", uniform(blue)},
        {"corvane-tile://offline/2/1/1", uniform(yellow)},
        // Two levels up: an eighth of the parent a side.
        {"corvane-tile://offline/3/3/0", uniform(green)},
        {"corvane-tile://offline/3/0/3", uniform(blue)},
        // 4/7/7 lies under both 3/3/3 (grey) and 1/0/0: the nearer wins.
        {"corvane-tile://offline/4/7/7", uniform(grey)},
        // The level itself first: the four colours, unscaled.
        {"corvane-tile://offline/1/0/0", colours(red, green, blue, yellow)},
        // Overzoom reaches eight levels up and no further.
        {"corvane-tile://offline/9/0/0", uniform(red)},
        {"corvane-tile://offline/10/0/0", "error"},
        // Outside everything the file covers.
        {"corvane-tile://offline/2/2/2", "error"},
        // Road and satellite never show a scaled tile: the network or nothing.
        {"corvane-tile://road/2/0/0", "error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(load(c.url), c.expected) << c.url;
}

TEST_F(TileSchemeHandlerTest, AFetchedTileIsCachedAndServedAfterTheServerHasStopped)
{
    TileServer server(TileServer::Mode::Answer, plainTile(blue));
    m_handler.setCache(file("tiles.db"), 1024 * 1024);
    m_handler.setTemplates(server.addressTemplate(), server.addressTemplate() + "?sky");
    EXPECT_EQ(load("corvane-tile://road/3/5/2"), uniform(blue));
    ASSERT_EQ(server.paths, QStringList{"/3/5/2.png"});
    EXPECT_EQ(server.userAgents, QStringList{"ORVEX Corvane/" CORVANE_VERSION});
    // Asked again, the cache answers: one fetch per tile.
    EXPECT_EQ(load("corvane-tile://road/3/5/2"), uniform(blue));
    EXPECT_EQ(server.paths.size(), 1);

    server.stop();
    const struct
    {
        const char* url;
        QString expected;
    } cases[] = {
        {"corvane-tile://road/3/5/2", uniform(blue)},
        // Offline shows what road mode stored, without going online.
        {"corvane-tile://offline/3/5/2", uniform(blue)},
        // Another source's template is another key; the server is gone.
        {"corvane-tile://satellite/3/5/2", "error"},
        {"corvane-tile://road/3/5/3", "error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(load(c.url), c.expected) << c.url;
    EXPECT_EQ(server.paths.size(), 1);
}

TEST_F(TileSchemeHandlerTest, ClearingEmptiesTheCacheFile)
{
    // Tiles a run before this one fetched.
    const QString road = "http://127.0.0.1:9/{z}/{x}/{y}.png";
    {
        TileCache before(file("tiles.db").toStdString(), 1024 * 1024);
        for (int x : {1, 2}) {
            const QByteArray tile = plainTile(green);
            before.store(road.toStdString(), 2, x, 1,
                         std::vector<std::uint8_t>(tile.begin(), tile.end()));
        }
    }
    m_handler.setTemplates(road, "");
    m_handler.setCache(file("tiles.db"), 1024 * 1024);
    EXPECT_EQ(load("corvane-tile://road/2/1/1"), uniform(green));

    m_handler.clearCache();
    const TileCache after(file("tiles.db").toStdString(), 1024 * 1024);
    EXPECT_TRUE(waitFor([&] { return after.tileCount() == 0; }));
    EXPECT_EQ(load("corvane-tile://road/2/2/1"), "error");
}

TEST_F(TileSchemeHandlerTest, AServerThatIsDownHangsOrLiesIsAnErrorAndStallsNothing)
{
    makeMBTiles(file("local.mbtiles"), {{0, 0, 0, plainTile(red)}});
    m_handler.setTileFiles({file("local.mbtiles")});
    m_handler.setCache(file("tiles.db"), 1024 * 1024);

    // Down: nothing listens, the refusal is the answer.
    TileServer gone(TileServer::Mode::Answer);
    const QString goneTemplate = gone.addressTemplate();
    gone.stop();
    m_handler.setTemplates(goneTemplate, "");
    EXPECT_EQ(load("corvane-tile://road/2/1/1"), "error");
    // Satellite has no template: nothing to fetch.
    EXPECT_EQ(load("corvane-tile://satellite/2/1/1"), "error");

    // An answer that is no picture is neither shown nor kept.
    TileServer liar(TileServer::Mode::NotATile);
    m_handler.setTemplates(liar.addressTemplate(), "");
    EXPECT_EQ(load("corvane-tile://road/2/1/1"), "error");
    EXPECT_EQ(load("corvane-tile://road/2/1/1"), "error");
    EXPECT_EQ(liar.paths.size(), 2) << "nothing was cached";

    // Hanging: the fetches in flight are bounded; past the bound a tile is
    // refused at once, and the files still answer while the server hangs.
    TileServer hanging(TileServer::Mode::Hang);
    m_handler.setTemplates(hanging.addressTemplate(), "");
    QStringList waiting;
    for (int i = 0; i < TileSchemeHandler::maxFetches; ++i) {
        waiting << QStringLiteral("corvane-tile://road/4/%1/0").arg(i);
        start(waiting.back());
    }
    ASSERT_TRUE(waitFor([&] { return hanging.paths.size() == TileSchemeHandler::maxFetches; }));
    EXPECT_EQ(load("corvane-tile://road/4/15/15"), "error");
    EXPECT_EQ(load("corvane-tile://offline/0/0/0"), uniform(red));
    for (const QString& url : waiting)
        EXPECT_EQ(result(url), QString()) << url.toStdString() << " still waits for the server";
    EXPECT_EQ(hanging.paths.size(), TileSchemeHandler::maxFetches);

    // The time-out ends a hanging fetch as an error.
    m_handler.setNetworkTimeoutMs(300);
    EXPECT_EQ(load("corvane-tile://road/5/0/0", 30000), "error");
}

TEST_F(TileSchemeHandlerTest, MalformedAddressesFailAndAWellFormedOneStillAnswers)
{
    makeMBTiles(file("one.mbtiles"), {{0, 0, 0, plainTile(green)}});
    m_handler.setTileFiles({file("one.mbtiles")});
    for (const char* url : {"corvane-tile://offline/a/0/0", "corvane-tile://offline/0/1/0",
                            "corvane-tile://offline/31/0/0", "corvane-tile://nowhere/0/0/0",
                            "corvane-tile://offline/0/0", "corvane-tile://offline/0/0/0?again",
                            "corvane-tile://offline/0/0/0/0", "corvane-tile://offline/0/0/%2e%2e"})
        EXPECT_EQ(load(url), "error") << url;
    EXPECT_EQ(load("corvane-tile://offline/0/0/0"), uniform(green));
}

// The map page itself, through the station's handler: "Offline" shows the
// operator's file over the outlines, with no network at all.
TEST_F(TileSchemeHandlerTest, TheMapPageShowsATileFileOffline)
{
    makeMBTiles(file("city.mbtiles"), {{1, 0, 0, plainTile(red)},
                                       {1, 1, 0, plainTile(green)},
                                       {1, 0, 1, plainTile(blue)},
                                       {1, 1, 1, plainTile(yellow)}});
    ASSERT_TRUE(QDir(m_folder.path()).mkpath("images"));
    CefClientHandler host(m_folder.path());
    host.tiles().setTileFiles({file("city.mbtiles")});
    QWebEngineView view;
    view.resize(512, 512);
    view.show();
    ASSERT_TRUE(host.adopt(&view));
    ASSERT_TRUE(waitFor([&] { return host.isPageLoaded(); }));
    QWebEnginePage& page = *view.page();
    evaluate(page, "setStationTiles(1); var select = document.getElementById('mapSelect');"
                   " select.value = 'offline'; select.dispatchEvent(new Event('change'));"
                   " global.map.map.setView([0, 0], 1, { animate: false }); 0");
    EXPECT_EQ(evaluate(page, "global.map.tileLayer._url").toString(),
              QString("corvane-tile://offline/{z}/{x}/{y}"));
    const QString loaded = "Array.from(document.querySelectorAll('.leaflet-tile-loaded'))"
                           ".map(function (t) { return t.src; }).sort().join(' ')";
    EXPECT_TRUE(waitFor([&] {
        return evaluate(page, loaded).toString() ==
               "corvane-tile://offline/1/0/0 corvane-tile://offline/1/0/1 "
               "corvane-tile://offline/1/1/0 corvane-tile://offline/1/1/1";
    })) << evaluate(page, loaded).toString().toStdString();
    // The outlines stay beneath.
    EXPECT_GT(
        evaluate(page, "global.map.map.getPane('worldPane').querySelectorAll('canvas').length")
            .toInt(),
        0);
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    // The scheme is known to the engine only if registered before it starts.
    corvane::TileSchemeHandler::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
