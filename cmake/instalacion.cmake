# What `cmake --install` puts under the prefix, and the Debian package CPack makes of it:
# liborvex.so with its SONAME, the public header, a pkg-config file, a CMake package
# (find_package(Orvex) gives Orvex::orvex), the orvex command with its manual page and bash
# completion. Linux only: Orvex.dll ships as a file of its own.
if(WIN32 OR NOT TARGET orvex)
  return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(orvex PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
install(TARGETS orvex EXPORT OrvexTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/api/orvex.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(orvex_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Orvex)
install(EXPORT OrvexTargets NAMESPACE Orvex:: DESTINATION ${orvex_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OrvexConfig.cmake INSTALL_DESTINATION ${orvex_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvexConfig.cmake ${PROJECT_BINARY_DIR}/OrvexConfigVersion.cmake
  DESTINATION ${orvex_cmake_dir})

# The .pc file names the prefix it is installed under (cmake --install --prefix, or /usr in the
# package), written when installing; everything else is filled in here.
set(orvex_prefijo @orvex_prefijo@)
configure_file(${PROJECT_SOURCE_DIR}/cmake/orvex.pc.in ${PROJECT_BINARY_DIR}/orvex.pc.in @ONLY)
install(CODE "set(orvex_pc \"${PROJECT_BINARY_DIR}/orvex.pc\")")
install(CODE [[
  file(READ "${orvex_pc}.in" orvex_texto)
  string(REPLACE "@orvex_prefijo@" "${CMAKE_INSTALL_PREFIX}" orvex_texto "${orvex_texto}")
  file(WRITE "${orvex_pc}" "${orvex_texto}")
]])
install(FILES ${PROJECT_BINARY_DIR}/orvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET orvex_cli)
  # The installed command finds the library beside its own folder, wherever the prefix is.
  file(RELATIVE_PATH orvex_bin_a_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(orvex_cli PROPERTIES INSTALL_RPATH "$ORIGIN/${orvex_bin_a_lib}")
  install(TARGETS orvex_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Manual pages ship compressed, as Debian's do; compressed when installing, so any build that
  # made the command can be installed.
  install(CODE "execute_process(COMMAND gzip -9n -c \"${PROJECT_SOURCE_DIR}/herramienta/orvex.1\"
    OUTPUT_FILE \"${PROJECT_BINARY_DIR}/orvex.1.gz\" COMMAND_ERROR_IS_FATAL ANY)")
  install(FILES ${PROJECT_BINARY_DIR}/orvex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/herramienta/orvex.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME orvex)
  # The manual page and the completion must name every command and option --help lists.
  if(ORVEX_PRUEBAS AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME orvex_manual
      COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/verificar-manual.sh $<TARGET_FILE:orvex_cli>)
  endif()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VENDOR "Orvex")
set(CPACK_PACKAGE_CONTACT "Orvex maintainers <orvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "reads and repairs Outlook Express and Internet Mail and News mail stores")
set(CPACK_PACKAGE_DESCRIPTION
  "The liborvex library (C exports, header, pkg-config file and CMake package) and the orvex command, which lists, exports, extracts and scans the mail of Outlook Express 5/6 .dbx stores, Outlook Express 4 and Internet Mail and News.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The command links the library of the same package: dpkg-shlibdeps looks for it there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/api)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "clamav")
include(CPack)
