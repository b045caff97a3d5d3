// Any datagram a sender can produce must give a record: never a crash, an
// overflow or a name the station cannot show.
#include "callback/CallbackMessageParser.h"
#include "callback/GPSInfo.h"
#include "callback/Utf8Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Well-formed UTF-8 within the limit is exactly what decoding leaves alone.
bool showable(const std::string& text)
{
    return corvane::Utf8Text::decode(text, corvane::CallbackMessageParser::maxTextUnits) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The server hands over at most 4094 bytes, terminated.
    const std::string text(reinterpret_cast<const char*>(data), size < 4094 ? size : 4094);
    corvane::CallbackInfo info("127.0.0.1", 1);
    if (!corvane::CallbackMessageParser().parse(text.c_str(), info) || info.getName().empty() ||
        !showable(info.getName()) || !showable(info.getDeviceTitle()) ||
        info.getGpsData().find('*') != std::string::npos) {
        std::abort();
    }
    // What the window does next with a position report.
    const corvane::GPSInfo gps(info.getGpsData());
    volatile double sink = gps.latitude() + gps.longitude() + gps.speed() + gps.course();
    (void)sink;
    return 0;
}
