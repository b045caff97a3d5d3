#pragma once

#include "base/UniqueID.h"
#include "callback/GPSReading.h"

#include <string>
#include <variant>

namespace corvane {

class VehicleInfo;

// One call of a page function on its way to the page.
//
// The two calls a reporting fleet makes ten thousand times a second travel
// as values, so a frame can merge them without reading any text back:
// - a move (moveTo): the vehicle and its fix, as GPSReading read it;
// - a listed position (updateVehicle): the vehicle and the texts its list
//   row shows (latitude, longitude, shown name, time), copied when the call
//   is made, so later changes of the record do not reach a call made before.
// Every other call is written when it is made (ScriptCalls, the only writer
// of call texts); nothing merges it, and alarm() says whether it is an
// alarm (updateEventInfo), which a bounded frame keeps longest.
//
// Ownership: a value owning its payload. Threads: one at a time.
// Throws: std::bad_alloc only.
class PageCall
{
public:
    struct Move
    {
        UniqueID vehicle;
        GPSReading fix;
    };
    struct Position
    {
        UniqueID vehicle;
        std::string latitude;
        std::string longitude;
        std::string shownName;
        std::string time;
    };
    struct Written
    {
        std::string text;
        bool alarm = false;
    };

    static PageCall move(const UniqueID& vehicle, const GPSReading& fix);
    static PageCall position(const VehicleInfo& vehicle);
    static PageCall written(std::string text, bool alarm = false);

    const Move* asMove() const noexcept { return std::get_if<Move>(&m_value); }
    const Position* asPosition() const noexcept { return std::get_if<Position>(&m_value); }
    bool alarm() const noexcept;

    // The call's text, as ScriptCalls writes it.
    std::string text() const;

private:
    template <typename Value>
    explicit PageCall(Value value) : m_value(std::move(value))
    {}

    std::variant<Move, Position, Written> m_value;
};

} // namespace corvane
