# Debian package of the programs, their manual pages and the reader library:
#   cmake --build build && (cd build && cpack -G DEB)
# gives build/d88tools_<version>_<arch>.deb, installing under /usr.
set(CPACK_PACKAGE_NAME d88tools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "sectorcut copies a run of sectors out of one disk of a D88 container
into a file; dirpull extracts every file listed in the volume directory
of every disk of a container; d88info shows what a container holds, disk
by disk and track by track. Also the reader library for C++ programs,
with its CMake and pkg-config files.")
set(CPACK_PACKAGE_CONTACT "d88tools maintainers <maintainers@users.noreply.c-seed-ed7a8eba.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: taken from the libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_GENERATOR DEB)
include(CPack)
