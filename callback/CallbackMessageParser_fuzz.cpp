// Any datagram a sender can produce must give a record: never a crash, an
// overflow or a name the station cannot show.
#include "callback/CallbackMessageParser.h"
#include "callback/GPSInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The number of UTF-16 units of well-formed UTF-8, or SIZE_MAX when the text
// is not well-formed.
std::size_t utf16Units(const std::string& text)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || i + length > text.size()) {
            return SIZE_MAX;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return SIZE_MAX;
            }
        }
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The server hands over at most 4094 bytes, terminated.
    const std::string text(reinterpret_cast<const char*>(data), size < 4094 ? size : 4094);
    corvane::CallbackInfo info("127.0.0.1", 1);
    if (!corvane::CallbackMessageParser().parse(text.c_str(), info)) {
        std::abort();
    }
    const std::size_t limit = corvane::CallbackMessageParser::maxTextUnits;
    if (info.getName().empty() || utf16Units(info.getName()) > limit ||
        utf16Units(info.getDeviceTitle()) > limit) {
        std::abort();
    }
    if (info.getGpsData().find('*') != std::string::npos) {
        std::abort();
    }
    // What the window does next with a position report.
    const corvane::GPSInfo gps(info.getGpsData());
    volatile double sink = gps.latitude() + gps.longitude() + gps.speed() + gps.course();
    (void)sink;
    return 0;
}
