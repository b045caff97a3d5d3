#pragma once

#include "data/TrackPoint.h"

#include <QString>
#include <vector>

class QIODevice;

namespace corvane {

// Writes a shown track for other programs: GPX 1.1 (one trk with one trkseg,
// a trkpt per sample with its time, and speed and course in this station's
// own extension) or KML 2.2 (the line, and the start and the end as
// placemarks with their times).
//
// The name (a recorder's text) is written without the characters XML 1.0
// does not allow, so that every reader takes the file.
// Times are the stored times, written as UTC ("Z"). GPX speed is in metres
// per second, course in degrees (absent where the sample had none).
//
// save() writes through QSaveFile: the file appears whole or not at all, and
// an existing file is replaced only when the new one is complete; a write
// that fails on the way fails the save.
//
// Ownership: borrows its arguments for the call. Threads: any, one call at a
// time per device. Throws: only std::bad_alloc.
class TrackExporter
{
public:
    enum class Format
    {
        Gpx,
        Kml
    };

    // The namespace of the GPX extension elements (speed, course).
    static const char* extensionNamespace();

    // False when the device refused some of the text (a full disk, a
    // failing device): what it holds then is no complete file.
    static bool writeGpx(QIODevice& device, const QString& name,
                         const std::vector<TrackPoint>& points);
    static bool writeKml(QIODevice& device, const QString& name,
                         const std::vector<TrackPoint>& points);

    // Writes the file at path; false with a readable reason in error when it
    // cannot be written (nothing is left behind then).
    static bool save(const QString& path, Format format, const QString& name,
                     const std::vector<TrackPoint>& points, QString& error);
};

} // namespace corvane
