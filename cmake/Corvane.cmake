# Shared build settings and helpers for every library of the station.

add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(CORVANE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(CORVANE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT CORVANE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "CORVANE_SANITIZE must be '', 'address' or 'thread'")
endif()

# corvane_test(NAME name SOURCES a_test.cpp ... LIBS lib ... [WEBVIEW] [LABELS ...])
# One GoogleTest executable registered with CTest. WEBVIEW marks a test that
# hosts a Qt web view: it runs headless and, under ASan, with the options that
# Qt WebEngine's own library needs.
function(corvane_test)
  cmake_parse_arguments(T "WEBVIEW" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  # Test data lives in the checkout; the path is compiled in so that a test
  # binary run by hand finds it as well as one run by CTest.
  target_compile_definitions(${T_NAME} PRIVATE CORVANE_TEST_DATA="${CMAKE_SOURCE_DIR}/testdata")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "")
  if(T_WEBVIEW)
    list(APPEND env "QT_QPA_PLATFORM=offscreen"
                    "QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu"
                    "ASAN_OPTIONS=new_delete_type_mismatch=0:detect_leaks=0")
  elseif(CORVANE_SANITIZE STREQUAL "address")
    list(APPEND env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
                    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

if(CORVANE_FUZZ)
  # Libraries get coverage instrumentation; fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# corvane_library(NAME name [DEPS target ...] [TEST_DEPS target ...])
# The library of one folder: every *.cpp that is not a test, fuzz target or
# benchmark is a source; every *_test.cpp becomes its own test executable
# (<name>_<file>), every *_fuzz.cpp a libFuzzer target run for a bounded time
# in fuzz builds. Globbing keeps the folders' lists free of merge conflicts.
function(corvane_library)
  cmake_parse_arguments(L "" "NAME" "DEPS;TEST_DEPS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "(_test|_fuzz|_bench)\\.cpp$")
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  file(GLOB fuzzers CONFIGURE_DEPENDS ${dir}/*_fuzz.cpp)
  set(lib corvane_${L_NAME})
  if(sources)
    add_library(${lib} STATIC ${sources})
    target_include_directories(${lib} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${lib} PUBLIC ${L_DEPS} Threads::Threads)
  else()
    add_library(${lib} INTERFACE)
    target_include_directories(${lib} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${lib} INTERFACE ${L_DEPS} Threads::Threads)
  endif()
  if(CORVANE_FUZZ)
    foreach(src IN LISTS fuzzers)
      get_filename_component(base ${src} NAME_WE)
      add_executable(${L_NAME}_${base} ${src})
      target_link_options(${L_NAME}_${base} PRIVATE -fsanitize=fuzzer)
      target_link_libraries(${L_NAME}_${base} PRIVATE ${lib})
      add_test(NAME ${L_NAME}_${base}
               COMMAND ${L_NAME}_${base} -max_total_time=${CORVANE_FUZZ_SECONDS} -rss_limit_mb=2048)
      set_tests_properties(${L_NAME}_${base} PROPERTIES LABELS fuzz TIMEOUT 900)
    endforeach()
    return()
  endif()
  foreach(src IN LISTS tests)
    get_filename_component(base ${src} NAME_WE)
    corvane_test(NAME ${L_NAME}_${base} SOURCES ${src} LIBS ${lib} ${L_TEST_DEPS})
  endforeach()
endfunction()
