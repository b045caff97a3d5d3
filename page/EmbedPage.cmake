# Run as a script at build time: writes OUTPUT, a C++ source holding the page pieces of
# PIECES_DIR (sorted by file name) with the map library of LEAFLET_DIR put in place of the
# markers in the head piece.
file(GLOB pieces "${PIECES_DIR}/*.html")
list(SORT pieces)
list(LENGTH pieces count)
if(count LESS 10)
  message(FATAL_ERROR "page/pieces must hold at least ten pieces, found ${count}")
endif()

file(READ "${LEAFLET_DIR}/leaflet.js" leaflet_js)
file(READ "${LEAFLET_DIR}/leaflet.css" leaflet_css)
# The page is loaded from a text: a source-map reference would point nowhere.
string(REGEX REPLACE "//# sourceMappingURL=[^\n]*" "" leaflet_js "${leaflet_js}")

set(delim "corvane_page")
set(out "// Generated at build time from page/pieces and the map library; do not edit.\n")
string(APPEND out "#include <cstddef>\n#include <string_view>\n\nusing namespace std::literals;\n\n")
string(APPEND out "namespace corvane::detail {\n\nextern const std::string_view kMapPagePieces[] = {\n")
foreach(piece IN LISTS pieces)
  file(READ "${piece}" text)
  string(REPLACE "/*@LEAFLET_CSS@*/" "${leaflet_css}" text "${text}")
  string(REPLACE "/*@LEAFLET_JS@*/" "${leaflet_js}" text "${text}")
  string(FIND "${text}" ")${delim}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${piece} contains the embedding delimiter )${delim}\"")
  endif()
  string(APPEND out "    R\"${delim}(${text})${delim}\"sv,\n")
endforeach()
string(APPEND out "};\n\nextern const std::size_t kMapPagePieceCount = ${count};\n\n} // namespace corvane::detail\n")

# Only touch the output when it changed, so an unchanged page costs no recompilation.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL out)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${out}")
