#include "dialogs/TrackExporter.h"

#include <QSaveFile>
#include <QXmlStreamWriter>

namespace corvane {

namespace {

constexpr double metresPerSecondPerKnot = 1852.0 / 3600.0;

QString isoTime(std::int64_t seconds)
{
    QString text = QString::fromStdString(formatTrackTime(seconds));
    text[10] = QLatin1Char('T');
    return text + QLatin1Char('Z');
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// XML 1.0 has no way to write most control characters, lone surrogates, and
// U+FFFE and U+FFFF, not even as references: a reader refuses the whole file.
bool allowedInXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Names come from recorders: what XML cannot carry is left out.
QString xmlText(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            kept += unit;
            kept += text[++i];
        } else if (!unit.isSurrogate() && allowedInXml(unit.unicode())) {
            kept += unit;
        }
    }
    return kept;
}

void writeKmlPlacemark(QXmlStreamWriter& xml, const QString& name, const TrackPoint& point)
{
    xml.writeStartElement(QStringLiteral("Placemark"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeStartElement(QStringLiteral("TimeStamp"));
    xml.writeTextElement(QStringLiteral("when"), isoTime(point.time));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("Point"));
    xml.writeTextElement(QStringLiteral("coordinates"),
                         number(point.longitude, 7) + QLatin1Char(',') + number(point.latitude, 7));
    xml.writeEndElement();
    xml.writeEndElement();
}

} // namespace

const char* TrackExporter::extensionNamespace()
{
    return "urn:x-orvex:corvane:gpx:1";
}

bool TrackExporter::writeGpx(QIODevice& device, const QString& name,
                             const std::vector<TrackPoint>& points)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    const QString ext = QString::fromLatin1(extensionNamespace());
    xml.writeNamespace(ext, QStringLiteral("corvane"));
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("ORVEX Corvane"));
    xml.writeStartElement(QStringLiteral("trk"));
    xml.writeTextElement(QStringLiteral("name"), xmlText(name));
    xml.writeStartElement(QStringLiteral("trkseg"));
    for (const TrackPoint& p : points) {
        xml.writeStartElement(QStringLiteral("trkpt"));
        xml.writeAttribute(QStringLiteral("lat"), number(p.latitude, 7));
        xml.writeAttribute(QStringLiteral("lon"), number(p.longitude, 7));
        xml.writeTextElement(QStringLiteral("time"), isoTime(p.time));
        xml.writeStartElement(QStringLiteral("extensions"));
        xml.writeTextElement(ext, QStringLiteral("speed"),
                             number(p.speed * metresPerSecondPerKnot, 3));
        if (p.course >= 0)
            xml.writeTextElement(ext, QStringLiteral("course"), number(p.course, 2));
        xml.writeEndElement(); // extensions
        xml.writeEndElement(); // trkpt
    }
    xml.writeEndElement(); // trkseg
    xml.writeEndElement(); // trk
    xml.writeEndElement(); // gpx
    xml.writeEndDocument();
    return !xml.hasError();
}

bool TrackExporter::writeKml(QIODevice& device, const QString& name,
                             const std::vector<TrackPoint>& points)
{
    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeStartElement(QStringLiteral("Document"));
    const QString text = xmlText(name);
    xml.writeTextElement(QStringLiteral("name"), text);
    if (points.size() >= 2) {
        xml.writeStartElement(QStringLiteral("Placemark"));
        xml.writeTextElement(QStringLiteral("name"), text);
        xml.writeStartElement(QStringLiteral("TimeSpan"));
        xml.writeTextElement(QStringLiteral("begin"), isoTime(points.front().time));
        xml.writeTextElement(QStringLiteral("end"), isoTime(points.back().time));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("LineString"));
        xml.writeTextElement(QStringLiteral("tessellate"), QStringLiteral("1"));
        xml.writeStartElement(QStringLiteral("coordinates"));
        QString line;
        for (const TrackPoint& p : points) {
            line = number(p.longitude, 7) + QLatin1Char(',') + number(p.latitude, 7) +
                   QLatin1Char('\n');
            xml.writeCharacters(line);
        }
        xml.writeEndElement(); // coordinates
        xml.writeEndElement(); // LineString
        xml.writeEndElement(); // Placemark
    }
    if (!points.empty()) {
        writeKmlPlacemark(xml, QStringLiteral("Start"), points.front());
        writeKmlPlacemark(xml, QStringLiteral("End"), points.back());
    }
    xml.writeEndElement(); // Document
    xml.writeEndElement(); // kml
    xml.writeEndDocument();
    return !xml.hasError();
}

bool TrackExporter::save(const QString& path, Format format, const QString& name,
                         const std::vector<TrackPoint>& points, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const bool written =
        format == Format::Gpx ? writeGpx(file, name, points) : writeKml(file, name, points);
    if (!written) {
        // A full disk or a failing device: the half-written file goes.
        error = file.errorString().isEmpty() ? QStringLiteral("the file could not be written")
                                             : file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace corvane
