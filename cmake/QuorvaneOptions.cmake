# The one place for the language level, warnings and Qt's strict macros;
# every target of the project links quorvane_options.
add_library(quorvane_options INTERFACE)
target_compile_features(quorvane_options INTERFACE cxx_std_20)
target_compile_options(quorvane_options INTERFACE -Wall -Wextra -Wpedantic)
if(QUORVANE_WERROR)
  target_compile_options(quorvane_options INTERFACE -Werror)
endif()
target_compile_definitions(quorvane_options INTERFACE
  QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)

# quorvane_add_gtest(NAME LABEL SOURCES... [LIBS ...] [ENV ...] [LOCK RESOURCE])
# One test executable per folder; every case becomes a CTest test with LABEL.
function(quorvane_add_gtest name label)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE quorvane_options GTest::gtest GTest::gtest_main GTest::gmock ${ARG_LIBS})
  set(props LABELS ${label})
  if(ARG_ENV)
    list(APPEND props ENVIRONMENT "${ARG_ENV}")
  endif()
  # LOCK: a resource its tests must not share with another test running at once.
  if(ARG_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${name} PROPERTIES ${props} DISCOVERY_TIMEOUT 30)
endfunction()

# QUORVANE_SANITIZE: a list of sanitizers ("address,undefined" or "thread") built
# into every target, libraries and tests alike, so that a fault in a helper
# library is caught where the test drives it.
set(QUORVANE_SANITIZE "" CACHE STRING "Sanitizers for every target: address,undefined or thread")
# Commas are accepted as well, so the value passes through make and the shell unquoted.
string(REPLACE "," ";" QUORVANE_SANITIZE "${QUORVANE_SANITIZE}")
if(QUORVANE_SANITIZE)
  if("thread" IN_LIST QUORVANE_SANITIZE AND "address" IN_LIST QUORVANE_SANITIZE)
    message(FATAL_ERROR "QUORVANE_SANITIZE: thread and address cannot be combined")
  endif()
  list(JOIN QUORVANE_SANITIZE "," sanitizers)
  # Frame pointers give whole stacks in reports; an undefined-behaviour finding
  # stops the program so the test fails instead of printing and going on.
  add_compile_options(-fsanitize=${sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${sanitizers})
endif()

# Fuzz builds instrument every library for coverage; the targets themselves link
# libFuzzer's main (tests/fuzz).
option(QUORVANE_BUILD_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(QUORVANE_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
