#pragma once

#include "testsupport/VehicleIds.h"
#include "tools/GprmcSentence.h"
#include "tools/RecorderMessageBuilder.h"

#include <string>

namespace corvane::test {

// Sample vehicles and their datagrams for tests and benchmarks, built with the
// recorder simulator's builders (link corvane_recordersim). Every sample is
// dated 31 May 2011. Stateless; throws only std::bad_alloc.

// Dates a header or a fix (both carry the same six fields) at
// hour:minute:second of the samples' day.
template <typename Dated, typename Second>
Dated onSampleDay(Dated dated, int hour, int minute, Second second)
{
    dated.year = 2011;
    dated.month = 5;
    dated.day = 31;
    dated.hour = hour;
    dated.minute = minute;
    dated.second = second;
    return dated;
}

// A recorder's header with its clock at hour:minute:second of the samples' day.
inline RecorderHeader sampleHeader(std::string id, std::string name, int hour = 0, int minute = 0,
                                   int second = 0)
{
    RecorderHeader header;
    header.id = std::move(id);
    header.name = std::move(name);
    return onSampleDay(std::move(header), hour, minute, second);
}

// A valid fix at hour:minute:second of the samples' day.
inline GprmcFix sampleFix(double latitude, double longitude, int hour = 0, int minute = 0,
                          double second = 0.0)
{
    GprmcFix fix;
    fix.latitude = latitude;
    fix.longitude = longitude;
    return onSampleDay(fix, hour, minute, second);
}

// The position report a recorder sends for that fix.
inline std::string positionReport(const RecorderHeader& header, const GprmcFix& fix)
{
    return RecorderMessageBuilder::gpsReport(header, GprmcSentence::format(fix));
}

} // namespace corvane::test
