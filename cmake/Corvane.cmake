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
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "CORVANE_SHARED_DATA=${CMAKE_SOURCE_DIR}/../shared/data")
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
