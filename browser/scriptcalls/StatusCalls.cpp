#include "browser/scriptcalls/StatusCalls.h"

#include "browser/scriptcalls/ScriptCall.h"
#include "data/VehicleInfo.h"

namespace corvane {

std::string StatusCalls::setLiveSeconds(int seconds)
{
    return ScriptCall("setLiveSeconds").integer(seconds).finish(";");
}

std::string StatusCalls::setAlarmKinds(std::uint32_t mask)
{
    return ScriptCall("setAlarmKinds").integer(mask).finish(";");
}

std::string StatusCalls::setAlarmMuted(bool muted)
{
    return ScriptCall("setAlarmMuted").integer(muted ? 1 : 0).finish(";");
}

std::string StatusCalls::setReportedName(const VehicleInfo& vehicle)
{
    return ScriptCall("setReportedName").text(vehicle.id.toText()).text(vehicle.name).finish(";");
}

} // namespace corvane
