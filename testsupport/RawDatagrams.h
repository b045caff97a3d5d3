#pragma once

#include <string>

namespace corvane::test {

// Fields 1 to 12 of a recorder datagram written exactly as given: name, type,
// ordinal 0, a filler, device title, flags 0, the date and time 2011-05-31
// 13:45:30 packed, three carried fields and the identifier. Unlike the
// recorder builder (RecorderSamples.h) it encodes nothing, so tests can send
// what no well-behaved recorder would: commas, empty fields, markup.
// Throws only std::bad_alloc.
inline std::string rawHead(const std::string& name, const std::string& type,
                           const std::string& title, const std::string& id)
{
    return name + "," + type + ",0,x," + title + ",0,131794207,863518,a,0,b," + id;
}

} // namespace corvane::test
