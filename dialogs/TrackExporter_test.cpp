#include "testsupport/TempFolder.h"
#include "dialogs/DialogTestSupport.h"
#include "dialogs/TrackExporter.h"

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
