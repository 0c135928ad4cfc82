# Installation and packaging.
#
#   PREFIX/lib/libzonvert.so        the library
#   PREFIX/include/zonvert.h        its public header
#   PREFIX/bin/zonvert              the command-line tool
#   PREFIX/template/                the shipped data (con_dos.asc, zones.csv)
#   PREFIX/lib/cmake/zonvert/       CMake package: find_package(zonvert)
#   PREFIX/lib/pkgconfig/zonvert.pc pkg-config file
#
# The library finds its data two directories above its own file, so the
# library goes straight into PREFIX/lib (never a multiarch subfolder such
# as lib/x86_64-linux-gnu) and the data into PREFIX/template.  The
# NADCON grid files are not shipped; put them into PREFIX/template too.
include(CMakePackageConfigHelpers)

set(ZONVERT_INSTALL_LIBDIR lib)
set(ZONVERT_INSTALL_CMAKEDIR ${ZONVERT_INSTALL_LIBDIR}/cmake/zonvert)
set(ZONVERT_TEMPLATE_DIR template)

install(TARGETS zonvert EXPORT zonvertTargets
  LIBRARY DESTINATION ${ZONVERT_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${ZONVERT_INSTALL_LIBDIR}
  RUNTIME DESTINATION bin
  INCLUDES DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/include/zonvert.h DESTINATION include)
if(TARGET zonvert_tool)
  install(TARGETS zonvert_tool EXPORT zonvertTargets RUNTIME DESTINATION bin)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/template/ DESTINATION ${ZONVERT_TEMPLATE_DIR})

install(EXPORT zonvertTargets NAMESPACE zonvert:: DESTINATION ${ZONVERT_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/zonvertConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/zonvertConfig.cmake
  INSTALL_DESTINATION ${ZONVERT_INSTALL_CMAKEDIR}
  PATH_VARS ZONVERT_TEMPLATE_DIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/zonvertConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
configure_file(${CMAKE_SOURCE_DIR}/cmake/zonvert.pc.in ${CMAKE_BINARY_DIR}/package/zonvert.pc @ONLY)
install(FILES
  ${CMAKE_BINARY_DIR}/package/zonvertConfig.cmake
  ${CMAKE_BINARY_DIR}/package/zonvertConfigVersion.cmake
  DESTINATION ${ZONVERT_INSTALL_CMAKEDIR})
install(FILES ${CMAKE_BINARY_DIR}/package/zonvert.pc DESTINATION ${ZONVERT_INSTALL_LIBDIR}/pkgconfig)

# Installs into a temporary prefix, builds a small C host against the
# installed package (CMake and pkg-config) and runs it and the installed
# tool.
if(ZONVERT_BUILD_TESTS AND NOT WIN32)
  add_test(NAME install_package
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/install-test/run.sh
            ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/cmake/install-test
            ${CMAKE_COMMAND} ${CMAKE_C_COMPILER} "${ZONVERT_SANITIZE}")
  set_tests_properties(install_package PROPERTIES LABELS "tool;package")
endif()
