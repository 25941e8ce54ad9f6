# Test registration for every build.
#  - native: test programs run directly.
#  - win64 and win32: CTest runs them through scripts/wine-run (the
#    cross-compiling emulator) inside a Wine prefix and Xvfb display that the
#    fixture tests wine.start and wine.stop create and tear down. The win64
#    build runs under Debian's 64-bit Wine; the win32 build, the release
#    target, under the Wine built in WoW64 mode (scripts/wine-env wow64),
#    which runs 32-bit Windows programs inside a 64-bit process.
set(SETUP_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
set(SETUP_WINE_FLAVOUR)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SETUP_WINE_FLAVOUR --wow64)
endif()
if(WIN32)
  add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env start ${SETUP_WINE_STATE} ${SETUP_WINE_FLAVOUR})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env stop ${SETUP_WINE_STATE})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# setup_add_test(NAME name COMMAND target-or-program args... [TIMEOUT s] [SCRIPT] [WIN64_ONLY] [END_TO_END])
# Registers a test; under Wine it joins the wine fixture. With SCRIPT the
# command is a host script (run natively even in the Windows builds) that gets
# SETUP_WINE_STATE, SETUP_BIN_DIR and SETUP_SOURCE_DIR in its environment.
# WIN64_ONLY leaves the test out of the win32 build: only for tests of code
# whose behaviour cannot depend on the pointer width or on the Wine it runs
# under, so that a second run would repeat the first (say why where it is used).
# END_TO_END: the end-to-end tests of the Windows programs, run in both
# Windows builds: the 32-bit build is the release target, and the 64-bit
# installer is what `mksetup build --stub-arch win64` ships, so both must
# behave alike (on a machine without the WoW64 Wine the win64 run is the only
# one).
function(setup_add_test)
  cmake_parse_arguments(T "SCRIPT;WIN64_ONLY;END_TO_END" "NAME;TIMEOUT" "COMMAND" ${ARGN})
  if((T_WIN64_ONLY AND SETUP_WINE_FLAVOUR) OR (T_END_TO_END AND NOT WIN32))
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
