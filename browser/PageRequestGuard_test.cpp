#include "browser/PageRequestGuard.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace corvane {
namespace {

struct RequestCase
{
    const char* url;
    bool allowed;
};

TEST(PageRequestGuard, OnlyTheOwnPageItsPicturesAndTheMapHostsPass)
{
    PageRequestGuard guard(QStringLiteral("/srv/station"),
                           QUrl::fromLocalFile(QStringLiteral("/srv/station/corvane")));
    guard.setRemoteTemplates({
        QStringLiteral("https://{s}.tile.example.org/{z}/{x}/{y}.png"),
        QStringLiteral("http://tiles.example.net:8080/{z}/{x}/{y}.jpg"),
        QStringLiteral("https://geo.example.com/reverse?lat={lat}&lon={lon}"),
        QStringLiteral("not an address"),
        QStringLiteral("ftp://files.example.com/x"),
        QStringLiteral("https://user@evil.example/x"),
    });
    const RequestCase cases[] = {
        {"file:///srv/station/corvane", true},
        {"file:///srv/station/corvane#x", true},
        {"file:///srv/station/images/icon_add.png", true},
        {"file:///srv/station/images/sub/x.png", true},
        {"file:///srv/station/images/../app.db", false},
        {"file:///srv/station/images", false},
        {"file:///srv/station/imagesX/a.png", false},
        {"file:///srv/station/app.db", false},
        {"file:///etc/passwd", false},
        {"file://otherhost/srv/station/images/a.png", false},
        {"data:image/png;base64,AAAA", true},
        {"blob:file:///0c6e-11", true},
        // The station's tile scheme: its handler judges each address.
        {"corvane-tile://road/3/1/2", true},
        {"corvane-tiles://road/3/1/2", false},
        {"https://a.tile.example.org/1/2/3.png", true},
        {"https://tile.example.org/1/2/3.png", false},
        {"https://a.b.tile.example.org/1/2/3.png", false},
        {"https://a.tile.example.org.evil.example/1.png", false},
        {"http://a.tile.example.org/1/2/3.png", false},
        {"https://a.tile.example.org:8443/1.png", false},
        {"http://tiles.example.net:8080/1/2/3.jpg", true},
        {"http://tiles.example.net/1/2/3.jpg", false},
        {"https://GEO.example.com/reverse?lat=1&lon=2", true},
        {"https://geo.example.com:443/other", true},
        {"https://files.example.com/x", false},
        {"ftp://files.example.com/x", false},
        {"https://evil.example/x", false},
        {"ws://geo.example.com/", false},
        {"qrc:/x.js", false},
        {"chrome://settings", false},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(guard.allows(QUrl(QString::fromLatin1(c.url))), c.allowed);
    }

    // New templates replace the old ones.
    guard.setRemoteTemplates({QStringLiteral("https://maps.example.org/{z}.png")});
    EXPECT_FALSE(guard.allows(QUrl(QStringLiteral("https://a.tile.example.org/1/2/3.png"))));
    EXPECT_TRUE(guard.allows(QUrl(QStringLiteral("https://maps.example.org/3.png"))));
}

} // namespace
} // namespace corvane
