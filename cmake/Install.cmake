# What `cmake --install` puts under the prefix:
#   bin/                          the programs
#   share/man/man1/               their manual pages (gzip-compressed when gzip is there)
#   lib/libd88reader.a            the container reader
#   include/d88_reader.h          its public header
#   lib/cmake/d88tools/           CMake package: find_package(d88tools) gives d88::reader
#   lib/pkgconfig/d88reader.pc    pkg-config file of the reader
# Tests, the example generator and the programs' internal libraries stay out.
include(CMakePackageConfigHelpers)

set(D88_PROGRAMS sectorcut dirpull)
if(TARGET d88info)
  list(APPEND D88_PROGRAMS d88info)
endif()

install(TARGETS ${D88_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages. Debian wants them compressed with gzip -9n (no name, no time
# stamp, so the package is reproducible); man reads either form.
find_program(D88_GZIP gzip)
set(d88_man_pages)
foreach(program IN LISTS D88_PROGRAMS)
  set(page ${PROJECT_SOURCE_DIR}/man/${program}.1)
  if(D88_GZIP)
    set(copy ${PROJECT_BINARY_DIR}/man/${program}.1)
    set(packed ${copy}.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E copy ${page} ${copy}
      COMMAND ${D88_GZIP} -9nf ${copy}
      DEPENDS ${page} VERBATIM)
    list(APPEND d88_man_pages ${packed})
  else()
    list(APPEND d88_man_pages ${page})
  endif()
endforeach()
if(D88_GZIP)
  add_custom_target(man_pages ALL DEPENDS ${d88_man_pages})
endif()
install(FILES ${d88_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The reader library. Position-independent, so that it can also be linked into
# another project's shared library.
set_target_properties(d88reader PROPERTIES
  EXPORT_NAME reader
  POSITION_INDEPENDENT_CODE ON)
install(TARGETS d88reader EXPORT d88toolsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/d88/d88_reader.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# CMake package: find_package(d88tools 0.1) then target_link_libraries(... d88::reader).
set(D88_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/d88tools)
install(EXPORT d88toolsTargets NAMESPACE d88:: FILE d88toolsTargets.cmake DESTINATION ${D88_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/d88toolsConfig.cmake.in
  ${PROJECT_BINARY_DIR}/d88toolsConfig.cmake INSTALL_DESTINATION ${D88_CMAKE_DIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/d88toolsConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/d88toolsConfig.cmake ${PROJECT_BINARY_DIR}/d88toolsConfigVersion.cmake
  DESTINATION ${D88_CMAKE_DIR})

# pkg-config file. Its prefix is found from where the file lies, so the same
# file serves every install prefix (cmake --install --prefix, the package).
set(d88_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH D88_PC_TO_PREFIX /prefix/${d88_pc_dir} /prefix)
string(REGEX REPLACE "/$" "" D88_PC_TO_PREFIX "${D88_PC_TO_PREFIX}")
foreach(dir IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(D88_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(D88_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/d88reader.pc.in ${PROJECT_BINARY_DIR}/d88reader.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/d88reader.pc DESTINATION ${d88_pc_dir})
