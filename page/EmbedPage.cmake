# Run as a script at build time: writes OUTPUT, a C++ source holding the map page. The
# page is TEMPLATE with the map library (LEAFLET_DIR), the world layer's script
# (TOPOJSON_DIR) and outlines (WORLD_ATLAS_FILE), and the page's own bundled script
# (PAGE_SCRIPT_FILE) and style (PAGE_STYLE_FILE) put in place of their markers.
file(READ "${TEMPLATE}" page)
file(READ "${TOPOJSON_DIR}/topojson-client.min.js" topojson_js)
file(READ "${WORLD_ATLAS_FILE}" world_atlas)
string(STRIP "${world_atlas}" world_atlas)
file(READ "${LEAFLET_DIR}/leaflet.js" leaflet_js)
file(READ "${LEAFLET_DIR}/leaflet.css" leaflet_css)
file(READ "${PAGE_SCRIPT_FILE}" page_js)
file(READ "${PAGE_STYLE_FILE}" page_css)
# The page is loaded from a text: a source-map reference would point nowhere.
string(REGEX REPLACE "//# sourceMappingURL=[^\n]*" "" leaflet_js "${leaflet_js}")

# A script that held "</script" would end its element early and leave the rest as text.
foreach(name page_js topojson_js leaflet_js)
  string(TOLOWER "${${name}}" lower)
  string(FIND "${lower}" "</script" early)
  if(NOT early EQUAL -1)
    message(FATAL_ERROR "${name} holds \"</script\", which would end its script element")
  endif()
endforeach()

foreach(marker IN ITEMS TOPOJSON_JS WORLD_ATLAS LEAFLET_CSS LEAFLET_JS PAGE_CSS PAGE_JS)
  string(FIND "${page}" "/*@${marker}@*/" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${TEMPLATE} lacks the marker /*@${marker}@*/")
  endif()
endforeach()
# The page's own parts first: the libraries' texts are not searched for markers.
string(REPLACE "/*@PAGE_CSS@*/" "${page_css}" page "${page}")
string(REPLACE "/*@PAGE_JS@*/" "${page_js}" page "${page}")
string(REPLACE "/*@TOPOJSON_JS@*/" "${topojson_js}" page "${page}")
string(REPLACE "/*@WORLD_ATLAS@*/" "${world_atlas}" page "${page}")
string(REPLACE "/*@LEAFLET_CSS@*/" "${leaflet_css}" page "${page}")
string(REPLACE "/*@LEAFLET_JS@*/" "${leaflet_js}" page "${page}")

set(delim "corvane_page")
string(FIND "${page}" ")${delim}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "the page contains the embedding delimiter )${delim}\"")
endif()
set(out "// Generated at build time from page/page.html, page/src and the libraries; do not edit.\n")
string(APPEND out "#include <string_view>\n\nusing namespace std::literals;\n\n")
string(APPEND out "namespace corvane::detail {\n\nextern const std::string_view kMapPage;\n")
string(APPEND out "const std::string_view kMapPage = R\"${delim}(${page})${delim}\"sv;\n\n")
string(APPEND out "} // namespace corvane::detail\n")

# Only touch the output when it changed, so an unchanged page costs no recompilation.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL out)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${out}")
