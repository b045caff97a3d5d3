#include "browser/scriptcalls/PageCall.h"

#include "browser/scriptcalls/ScriptCalls.h"
#include "data/VehicleInfo.h"

namespace corvane {

PageCall PageCall::move(const UniqueID& vehicle, const GPSReading& fix)
{
    return PageCall(Move{vehicle, fix});
}

PageCall PageCall::position(const VehicleInfo& vehicle)
{
    return PageCall(Position{vehicle.id, vehicle.last_updated_latitude,
                             vehicle.last_updated_longitude, vehicle.displayName(),
                             vehicle.last_updated_time});
}

PageCall PageCall::written(std::string text, bool alarm)
{
    return PageCall(Written{std::move(text), alarm});
}

bool PageCall::alarm() const noexcept
{
    const Written* written = std::get_if<Written>(&m_value);
    return written != nullptr && written->alarm;
}

std::string PageCall::text() const
{
    if (const Move* move = asMove())
        return ScriptCalls::moveTo(move->fix, move->vehicle);
    if (const Position* position = asPosition())
        return ScriptCalls::updateVehicle(*position);
    return std::get<Written>(m_value).text;
}

} // namespace corvane
