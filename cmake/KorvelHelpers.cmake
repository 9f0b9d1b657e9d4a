# Shared build settings and the helpers every folder uses.

add_library(korvel_options INTERFACE)
target_compile_options(korvel_options INTERFACE -Wall -Wextra -Wpedantic)
if(KORVEL_WERROR)
  target_compile_options(korvel_options INTERFACE -Werror)
endif()
if(KORVEL_SANITIZE)
  target_compile_options(korvel_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(korvel_options INTERFACE -fsanitize=address,undefined)
endif()
if(KORVEL_FUZZ)
  # Coverage instrumentation for every library, so libFuzzer sees the edges of the code under
  # test and not only those of the harnesses; the harnesses add the libFuzzer runtime.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVEL_FUZZ needs clang (CXX=clang++ CC=clang)")
  endif()
  target_compile_options(korvel_options INTERFACE -fsanitize=fuzzer-no-link)
endif()


# korvel_module(NAME [DEPS lib...]): one static library from every source in the current folder.
function(korvel_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(_cpp ${_sources})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(_cpp)
    add_library(korvel_${name} STATIC ${_sources})
    target_include_directories(korvel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(korvel_${name} PUBLIC korvel_options ${ARG_DEPS})
  else()
    add_library(korvel_${name} INTERFACE)
    target_include_directories(korvel_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(korvel_${name} INTERFACE korvel_options ${ARG_DEPS})
  endif()
endfunction()

# korvel_tests(NAME [GUI] [DEPS lib...]): one GoogleTest program from every *_test.cpp in the folder.
function(korvel_tests name)
  cmake_parse_arguments(ARG "GUI" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _sources)
    return()
  endif()
  add_executable(korvel_${name}_tests ${_sources})
  if(ARG_GUI)
    set(_main korvel_test_main_gui)
  else()
    set(_main korvel_test_main_core)
  endif()
  target_link_libraries(korvel_${name}_tests PRIVATE ${_main} korvel_test_support ${ARG_DEPS} GTest::gmock)
  target_compile_definitions(korvel_${name}_tests PRIVATE
    KORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KORVEL_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    KORVEL_CLI_PATH="$<TARGET_FILE:korvel-cli>")
  add_dependencies(korvel_${name}_tests korvel-cli)
  gtest_discover_tests(korvel_${name}_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1"
               TIMEOUT 300)
endfunction()
