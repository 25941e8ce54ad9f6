# Third-party libraries, all from Debian packages.
#  - zlib: Debian's for the native build, libz-mingw-w64-dev (static) for Windows.
#  - GoogleTest: the installed library natively; built from /usr/src/googletest
#    (package googletest) for the Windows builds.
#  - toml++ and CLI11: header-only; their Debian headers are made visible to the
#    cross compilers through a folder of links, never through /usr/include as a whole.
#  - Google Benchmark: native only.
#  - libdeflate: native only, mksetup's compressor (the Windows programs
#    never compress; a Windows build of mksetup uses zlib's deflate).

if(WIN32)
  # The Windows programs carry zlib inside them (libz.a, not zlib1.dll).
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

if(WIN32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  find_package(benchmark QUIET)
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h)
  find_library(LIBDEFLATE_LIBRARY deflate)
  if(NOT LIBDEFLATE_INCLUDE_DIR OR NOT LIBDEFLATE_LIBRARY)
    message(FATAL_ERROR "libdeflate is missing: install libdeflate-dev (scripts/deps)")
  endif()
  add_library(libdeflate::libdeflate UNKNOWN IMPORTED)
  set_target_properties(libdeflate::libdeflate PROPERTIES IMPORTED_LOCATION ${LIBDEFLATE_LIBRARY}
                                                          INTERFACE_INCLUDE_DIRECTORIES ${LIBDEFLATE_INCLUDE_DIR})
endif()

set(SETUP_HEADER_LINKS ${CMAKE_BINARY_DIR}/header-links)
file(MAKE_DIRECTORY ${SETUP_HEADER_LINKS})
foreach(dir toml++ CLI)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: install libtomlplusplus-dev and libcli11-dev (scripts/deps)")
  endif()
  file(CREATE_LINK /usr/include/${dir} ${SETUP_HEADER_LINKS}/${dir} SYMBOLIC)
endforeach()
add_library(thirdparty_headers INTERFACE)
target_include_directories(thirdparty_headers SYSTEM INTERFACE ${SETUP_HEADER_LINKS})
target_compile_definitions(thirdparty_headers INTERFACE TOML_HEADER_ONLY=1 TOML_EXCEPTIONS=1)
