# Test registration for every build.
#  - native: test programs run directly.
#  - win64: CTest runs them through scripts/wine-run (the cross-compiling
#    emulator) inside a Wine prefix and Xvfb display that the fixture tests
#    wine.start and wine.stop create and tear down.
#  - win32: built and linked only; this machine cannot run 32-bit code.
set(SETUP_RUN_TESTS ON)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SETUP_RUN_TESTS OFF)
endif()

set(SETUP_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
if(WIN32 AND SETUP_RUN_TESTS)
  add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env start ${SETUP_WINE_STATE})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env stop ${SETUP_WINE_STATE})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# setup_add_test(NAME name COMMAND target-or-program args... [TIMEOUT s] [SCRIPT])
# Registers a test; under Wine it joins the wine fixture. With SCRIPT the
# command is a host script (run natively even in the win64 build) that gets
# SETUP_WINE_STATE, SETUP_BIN_DIR and SETUP_SOURCE_DIR in its environment.
function(setup_add_test)
  cmake_parse_arguments(T "SCRIPT" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT SETUP_RUN_TESTS)
    return()
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "SETUP_WINE_STATE=${SETUP_WINE_STATE};SETUP_BIN_DIR=${CMAKE_BINARY_DIR}/bin;SETUP_SOURCE_DIR=${CMAKE_SOURCE_DIR};SETUP_BUILD_DIR=${CMAKE_BINARY_DIR}")
  if(WIN32)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine-display)
  endif()
endfunction()
