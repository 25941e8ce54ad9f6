# The .deb of mksetup: what `cmake --install` puts in place (install rules in
# builder/), under /usr. Its dependencies come from dpkg-shlibdeps, so that
# it installs on a fresh Debian machine. `cpack --preset native` reads the
# configuration written here. (CPack's own module is not included: it would
# reserve the target name "package", which the package reader library has.)
set(SETUP_DEB_CONFIG ${CMAKE_BINARY_DIR}/CPackMksetup.cmake)
file(CONFIGURE OUTPUT ${SETUP_DEB_CONFIG} @ONLY CONTENT [[
set(CPACK_GENERATOR "DEB")
set(CPACK_CMAKE_GENERATOR "@CMAKE_GENERATOR@")
set(CPACK_INSTALL_CMAKE_PROJECTS "@CMAKE_BINARY_DIR@;@PROJECT_NAME@;ALL;/")
set(CPACK_PACKAGE_DIRECTORY "@CMAKE_BINARY_DIR@")
set(CPACK_PACKAGE_NAME "mksetup")
set(CPACK_PACKAGE_VERSION "@PROJECT_VERSION@")
set(CPACK_PACKAGE_FILE_NAME "mksetup-@PROJECT_VERSION@")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes single-file graphical installers for Windows")
set(CPACK_PACKAGE_DESCRIPTION "mksetup makes, lists, verifies and unpacks single-file installers: a Windows
installer program (setup.exe, 32-bit or 64-bit, included) with an install
package appended behind it, built from a TOML manifest. It can sign the
installer with a signing command of your choice.")
set(CPACK_PACKAGE_CONTACT "Seed 77aa2420 maintainers <maintainers@users.noreply.c-seed-77aa2420.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_SECTION "devel")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
]])
