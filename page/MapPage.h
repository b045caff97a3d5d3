#pragma once

#include <string>

namespace corvane {

// The map page: one HTML document (page.html) with the map library, the world layer and
// the page's own script and style put in at build time. The script is bundled from the
// ES modules under src/ into one inline script; the only global names it makes are the
// functions the station calls and the state its tests read (src/native.js,
// src/inspection.js).
//
// All texts are UTF-8. The page is immutable and owned by the library; the function may
// be called from any thread and never throws but std::bad_alloc.
std::string assembleMapPage();

} // namespace corvane
