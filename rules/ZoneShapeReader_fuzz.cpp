// Any text as a zone's geometry: refused or read, never a crash, and a shape
// read answers for any position.

#include "rules/ZoneShapeReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string reason;
    const auto shape = corvane::ZoneShapeReader::read(
        std::string_view(reinterpret_cast<const char*>(data), size), reason);
    if (shape) {
        for (const auto& box : shape->bounds())
            (void)shape->contains((box.south + box.north) / 2, (box.west + box.east) / 2);
        (void)shape->contains(0, 180);
    }
    return 0;
}
