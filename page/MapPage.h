#pragma once

#include <string>
#include <vector>

namespace corvane {

// The map page: one HTML document with its script, kept as pieces that are embedded
// into the program at build time (the map library included), in the order in which they
// form the document: head, vehicle marker and text helpers, VehicleInfo, EventPopup,
// CustomContextMenu, Tooltip, VehicleContextMenu, list and its helpers, start-up and the
// native-called functions, body; the stored-track history sits before the start-up piece.
//
// All texts are UTF-8. The pieces are immutable and owned by the library; both functions
// may be called from any thread and never throw but std::bad_alloc.

// The pieces, in document order. The reference stays valid for the whole process.
const std::vector<std::string>& mapPagePieces();

// The whole page: the pieces joined in order.
std::string assembleMapPage();

} // namespace corvane
