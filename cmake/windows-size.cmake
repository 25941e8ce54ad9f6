# Release builds for Windows are made small; included at the end of the
# project() call by both MinGW toolchain files.
#  - -Os for all code. Compile options follow CMAKE_<LANG>_FLAGS_RELEASE
#    (-O3) on the command line, so the later -Os is the one in force, also in
#    build trees configured before this file existed.
#  - Objects carry the optimiser's intermediate form beside their ordinary
#    code (-flto -ffat-lto-objects). The programs that ship, setup.exe and
#    uninstall.exe, link with -flto (windows_program_size_options below); every
#    other link takes the ordinary code (-fno-lto), so the test programs link
#    as fast as before.
# Function and data sections (-ffunction-sections -fdata-sections) were
# measured as well: after link-time optimisation they make setup.exe larger
# (alignment of each function), so they are not used.
add_compile_options("$<$<CONFIG:Release>:-Os;-flto;-ffat-lto-objects>")
add_link_options("$<$<CONFIG:Release>:-fno-lto>")

# The link of a program that ships: whole-program optimisation for size in
# one partition (split into several, MinGW-w64 gcc 12 stops with an internal
# compiler error in binds_to_current_def_p on this code, in whichever
# function the partitioning happens to touch),
# unreferenced sections dropped, no symbols or debug information (the static
# MinGW runtime brings its own). Plain -flto: after the -fno-lto above, gcc 12
# ignores -flto=auto.
function(windows_program_size_options target)
  target_link_options(${target} PRIVATE "$<$<CONFIG:Release>:-flto;-flto-partition=one;-Os;-s>" -Wl,--gc-sections)
endfunction()
