#include "page/MapPage.h"

#include <cstddef>
#include <string_view>

namespace corvane {
namespace detail {
// Defined in the source generated from page/pieces at build time.
extern const std::string_view kMapPagePieces[];
extern const std::size_t kMapPagePieceCount;
} // namespace detail

const std::vector<std::string>& mapPagePieces()
{
    static const std::vector<std::string> pieces = [] {
        std::vector<std::string> result;
        result.reserve(detail::kMapPagePieceCount);
        for (std::size_t i = 0; i < detail::kMapPagePieceCount; ++i) {
            result.emplace_back(detail::kMapPagePieces[i]);
        }
        return result;
    }();
    return pieces;
}

std::string assembleMapPage()
{
    std::size_t size = 0;
    for (const std::string& piece : mapPagePieces()) {
        size += piece.size();
    }
    std::string page;
    page.reserve(size);
    for (const std::string& piece : mapPagePieces()) {
        page += piece;
    }
    return page;
}

} // namespace corvane
