#include "dialogs/DialogTestSupport.h"
#include "dialogs/TrackExporter.h"
#include "testsupport/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Runs a program to its end and gives its standard output ("" on failure).
QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::vector<TrackPoint> sampleTrack()
{
    std::vector<TrackPoint> points;
    std::int64_t start = 0;
    parseTrackTime("2011-12-31 23:59:00", start);
    for (int i = 0; i < 500; ++i) {
        // Across the equator and the prime meridian, into the new year.
        points.push_back({start + i * 7, -0.5 + i * 0.002345, 0.25 - i * 0.001234, i * 0.1,
                          i % 3 == 0 ? -1.0 : (i % 360) * 1.0});
    }
    return points;
}

TEST(TrackExporter, GpxReadBackByAnotherReaderHasThePointsAndTimes)
{
    TempFolder folder;
    const auto points = sampleTrack();
    const QString path = QString::fromStdString(folder.file("track, \"A\".gpx"));
    QString error;
    ASSERT_TRUE(TrackExporter::save(path, TrackExporter::Format::Gpx,
                                    QStringLiteral("Truck <1> & \"Co\""), points, error))
        << error.toStdString();

    const QString csv = runTool(QStringLiteral("gpsbabel"),
                                {"-t", "-i", "gpx", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
    QStringList lines = csv.split(QStringLiteral("\n"), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst().trimmed(), "No,Latitude,Longitude,Date,Time");
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QStringList f = lines[static_cast<qsizetype>(i)].trimmed().split(',');
        ASSERT_EQ(f.size(), 5);
        EXPECT_NEAR(f[1].toDouble(), points[i].latitude, 1e-6) << i;
        EXPECT_NEAR(f[2].toDouble(), points[i].longitude, 1e-6) << i;
        QString time = f[3] + ' ' + f[4];
        time.replace('/', '-');
        EXPECT_EQ(time.toStdString(), formatTrackTime(points[i].time)) << i;
    }

    // Speed (m/s) and course ride in the station's extension, course only where known.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(
        text.contains(QByteArray("xmlns:corvane=\"") + TrackExporter::extensionNamespace()));
    EXPECT_EQ(text.count("<corvane:speed>"), 500);
    EXPECT_EQ(text.count("<corvane:course>"), 500 - 167);
    EXPECT_TRUE(text.contains("<corvane:speed>0.051</corvane:speed>")); // 0.1 knots
    EXPECT_TRUE(text.contains("Truck &lt;1> &amp; \"Co\"") ||
                text.contains("Truck &lt;1&gt; &amp; &quot;Co&quot;"));
}

TEST(TrackExporter, KmlParsesAndHoldsTheCoordinates)
{
    TempFolder folder;
    const auto points = sampleTrack();
    const QString path = QString::fromStdString(folder.file("track.kml"));
    QString error;
    ASSERT_TRUE(TrackExporter::save(path, TrackExporter::Format::Kml, QStringLiteral("Truck"),
                                    points, error));
    const char* script =
        "import sys, xml.etree.ElementTree as ET\n"
        "ns = {'k': 'http://www.opengis.net/kml/2.2'}\n"
        "root = ET.parse(sys.argv[1]).getroot()\n"
        "line = root.find('k:Document/k:Placemark/k:LineString/k:coordinates', ns)\n"
        "for c in line.text.split():\n"
        "    print(c)\n"
        "for p in root.findall('k:Document/k:Placemark', ns):\n"
        "    w = p.find('k:TimeStamp/k:when', ns)\n"
        "    if w is not None: print(p.find('k:name', ns).text, w.text)\n";
    const QStringList lines =
        runTool(QStringLiteral("python3"), {"-c", script, path}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(points.size() + 2));
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QStringList c = lines[static_cast<qsizetype>(i)].split(',');
        ASSERT_GE(c.size(), 2);
        EXPECT_NEAR(c[0].toDouble(), points[i].longitude, 1e-7) << i;
        EXPECT_NEAR(c[1].toDouble(), points[i].latitude, 1e-7) << i;
    }
    EXPECT_EQ(lines[500], "Start 2011-12-31T23:59:00Z");
    EXPECT_EQ(lines[501],
              QStringLiteral("End ") +
                  QString::fromStdString(formatTrackTime(points.back().time)).replace(' ', 'T') +
                  'Z');
}

TEST(TrackExporter, NamesWithCharactersXmlForbidsStillGiveFilesEveryReaderTakes)
{
    struct Case
    {
        const char* label;
        QString name;
        QString kept;
    };
    const QChar lone[] = {QChar(0xD800), QChar(u'x'), QChar(0xDC00)};
    const Case cases[] = {
        {"control characters", QString::fromUtf8("Bus\x01\x08\x1b[31m 7\x7f"),
         QString::fromUtf8("Bus[31m 7\x7f")},
        {"tab and line breaks stay", QStringLiteral("A\tB\nC"), QStringLiteral("A\tB\nC")},
        {"lone surrogates", QString(lone, 3), QStringLiteral("x")},
        {"non-characters", QString::fromUtf16(u"a\uFFFEb\uFFFF"), QStringLiteral("ab")},
        {"a pair stays", QString::fromUtf8("\xf0\x9f\x9a\x8c"),
         QString::fromUtf8("\xf0\x9f\x9a\x8c")},
    };
    const auto points = sampleTrack();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder folder;
        const QString gpx = QString::fromStdString(folder.file("t.gpx"));
        const QString kml = QString::fromStdString(folder.file("t.kml"));
        QString error;
        ASSERT_TRUE(TrackExporter::save(gpx, TrackExporter::Format::Gpx, c.name, points, error));
        ASSERT_TRUE(TrackExporter::save(kml, TrackExporter::Format::Kml, c.name, points, error));
        // Another program's XML reader refuses an ill-formed file outright
        // (runTool fails the test when it ends with an error).
        runTool(QStringLiteral("gpsbabel"), {"-i", "gpx", "-f", gpx, "-o", "csv", "-F", "-"});
        EXPECT_EQ(runTool(QStringLiteral("gpsbabel"),
                          {"-t", "-i", "gpx", "-f", gpx, "-o", "unicsv", "-F", "-"})
                      .count('\n'),
                  static_cast<qsizetype>(points.size() + 1));
        const char* script = "import sys, xml.etree.ElementTree as ET\n"
                             "for path in sys.argv[1:]:\n"
                             "    root = ET.parse(path).getroot()\n"
                             "    name = [e for e in root.iter() if e.tag.endswith('name')][0]\n"
                             "    sys.stdout.write(name.text.encode('utf-16', 'surrogatepass')"
                             ".hex() + '\\n')\n";
        const QStringList names = runTool(QStringLiteral("python3"), {"-c", script, gpx, kml})
                                      .split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(names.size(), 2);
        QByteArray expected("\xff\xfe");
        expected += QByteArray(reinterpret_cast<const char*>(c.kept.utf16()), c.kept.size() * 2);
        for (const QString& hex : names)
            EXPECT_EQ(QByteArray::fromHex(hex.toLatin1()).toHex(), expected.toHex());
    }
}

TEST(TrackExporter, AWriteThatFailsOnTheWayFailsTheExport)
{
    // A full disk: every write fails, as /dev/full makes them.
    for (auto format : {TrackExporter::Format::Gpx, TrackExporter::Format::Kml}) {
        QFile full(QStringLiteral("/dev/full"));
        ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const bool written =
            format == TrackExporter::Format::Gpx
                ? TrackExporter::writeGpx(full, QStringLiteral("Truck"), sampleTrack())
                : TrackExporter::writeKml(full, QStringLiteral("Truck"), sampleTrack());
        EXPECT_FALSE(written);
    }
}

TEST(TrackExporter, UnwritablePathFailsAndLeavesNothing)
{
    TempFolder folder;
    const std::string blocker = folder.file("not-a-folder");
    QFile(QString::fromStdString(blocker)).open(QIODevice::WriteOnly);
    const auto points = sampleTrack();
    for (auto format : {TrackExporter::Format::Gpx, TrackExporter::Format::Kml}) {
        const QString path = QString::fromStdString(blocker + "/track.gpx");
        QString error;
        EXPECT_FALSE(TrackExporter::save(path, format, QStringLiteral("Truck"), points, error));
        EXPECT_FALSE(error.isEmpty());
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 1u); // the blocker alone: no temporary file left behind
}

} // namespace
} // namespace corvane

CORVANE_DIALOG_TEST_MAIN()
