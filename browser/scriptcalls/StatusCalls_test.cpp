#include "browser/scriptcalls/StatusCalls.h"
#include "data/VehicleInfo.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(StatusCalls, Texts)
{
    VehicleInfo v{UniqueID("0f8fad5b-d9cb-469f-a165-70867728950e")};
    v.name = "O'Brien\\1";
    v.edited_name = "Van";
    struct Case
    {
        std::string call;
        std::string text;
    };
    const Case cases[] = {
        {StatusCalls::setLiveSeconds(60), "setLiveSeconds(60);"},
        {StatusCalls::setAlarmKinds(1u << 13), "setAlarmKinds(8192);"},
        // The whole unsigned range, never a negative number.
        {StatusCalls::setAlarmKinds(0xFFFFFFFFu), "setAlarmKinds(4294967295);"},
        {StatusCalls::setAlarmMuted(true), "setAlarmMuted(1);"},
        {StatusCalls::setAlarmMuted(false), "setAlarmMuted(0);"},
        {StatusCalls::setReportedName(v),
         "setReportedName('0f8fad5b-d9cb-469f-a165-70867728950e', 'O\\'Brien\\\\1');"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call, c.text);
}

} // namespace
} // namespace corvane
