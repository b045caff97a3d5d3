#pragma once

#include "base/DateTime.h"
#include "base/UniqueID.h"
#include "callback/CallbackInfo.h"

namespace corvane::test {

// An alarm event of vehicle as a recorder at 10.1.2.3 would send it, dated
// 31 May 2011 13:45:30 like the other samples. Header only (the test links
// corvane_callback); throws only std::bad_alloc.
inline CallbackInfo sampleEvent(const UniqueID& vehicle, const char* name, const char* title,
                                int type)
{
    CallbackInfo info("10.1.2.3", 4000);
    info.setName(name);
    info.setDeviceTitle(title);
    info.setType(type);
    info.setTime(DateTime(2011, 5, 31, 13, 45, 30, 0));
    info.setId(vehicle);
    return info;
}

} // namespace corvane::test
