#include "page/MapPage.h"

#include <string_view>

namespace corvane {
namespace detail {
// Defined in the source generated at build time from page.html, src/ and the libraries.
extern const std::string_view kMapPage;
} // namespace detail

std::string assembleMapPage()
{
    return std::string(detail::kMapPage);
}

} // namespace corvane
