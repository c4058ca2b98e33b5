# GoogleTest from Debian's source tree, built with this project's compiler (native or mingw).
if(NOT BUILD_TESTING)
  return()
endif()

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# Windows tests share one Wine prefix, wineserver and X display per test run: a fixture starts them.
if(CMAKE_CROSSCOMPILING)
  set(WINE_SESSION ${CMAKE_SOURCE_DIR}/scripts/wine-session)
  add_test(NAME wine.session.start COMMAND ${WINE_SESSION} start ${CMAKE_BINARY_DIR})
  set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  add_test(NAME wine.session.stop COMMAND ${WINE_SESSION} stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# add_project_gtest(<target> SOURCES ... LIBS ... [LABELS ...] [FIXTURES ...])
# Natively each test case becomes a CTest test; under Wine the cases are found by reading the
# sources, since the executable cannot run at build time.
function(add_project_gtest target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(CMAKE_CROSSCOMPILING)
    gtest_add_tests(TARGET ${target} SOURCES ${ARG_SOURCES} TEST_LIST cases)
    set_tests_properties(${cases} PROPERTIES FIXTURES_REQUIRED "wine;${ARG_FIXTURES}" RESOURCE_LOCK wine-desktop
                                             LABELS "windows;${ARG_LABELS}" TIMEOUT 120)
  else()
    # Discovered tests lose list separators in their properties, so the labels go on the folder.
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    set_property(DIRECTORY APPEND PROPERTY LABELS native ${ARG_LABELS})
  endif()
endfunction()
