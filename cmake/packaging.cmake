# What the install step puts where, and the packages CPack makes from it.
# Included from the top CMakeLists.txt after the program's target; paths are
# taken from the top of the source tree.
include(GNUInstallDirs)
# What the packages hold, by component:
#   program  the program and its manual page (every package)
#   docs     the README, the copyright and the changelog in the package's
#            documentation folder (the Debian package, `cmake --install`)
#   archive  README.md and LICENSE at the top of the .tar.gz (only there)
# The Windows build installs lablix.exe, README.txt and LICENSE.txt side by
# side, with CR LF line ends, for the .zip.
if(WIN32)
  configure_file(doc/windows/README.txt README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS lablix RUNTIME DESTINATION . COMPONENT program)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
          DESTINATION . COMPONENT program)
else()
  # Compressed as Debian wants them: gzip -9, without a name or time stamp,
  # so that the same sources give the same bytes.
  add_custom_command(OUTPUT lablix.1.gz
    COMMAND gzip -n -9 -c ${PROJECT_SOURCE_DIR}/doc/lablix.1 > lablix.1.gz
    DEPENDS doc/lablix.1 VERBATIM)
  add_custom_command(OUTPUT changelog.gz
    COMMAND ${CMAKE_COMMAND} -DCHANGELOG_MD=${PROJECT_SOURCE_DIR}/CHANGELOG.md
            -DOUTPUT=changelog -P ${PROJECT_SOURCE_DIR}/cmake/debian_changelog.cmake
    COMMAND gzip -n -9 -f changelog
    DEPENDS CHANGELOG.md cmake/debian_changelog.cmake VERBATIM)
  add_custom_target(lablix_docs ALL DEPENDS lablix.1.gz changelog.gz)
  # So that `cmake --install` works after a build of the program alone.
  add_dependencies(lablix lablix_docs)

  install(TARGETS lablix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  # The compiler's notes of its own version are of no use in an installed
  # program (Debian's packaging tools remove them likewise).
  if(CMAKE_OBJCOPY)
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/lablix\"
                  COMMAND_ERROR_IS_FATAL ANY)" COMPONENT program)
  endif()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/lablix.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  install(FILES README.md ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lablix COMPONENT docs)
  install(FILES doc/debian/copyright
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lablix COMPONENT docs)
  install(FILES doc/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
          RENAME lablix COMPONENT docs)
  install(FILES README.md LICENSE DESTINATION . COMPONENT archive EXCLUDE_FROM_ALL)
endif()

# Packages: `cpack -G DEB` (under /usr: bin/lablix, the manual page, and in
# share/doc/lablix the README, copyright and changelog), `cpack -G TGZ` (one
# top folder: bin/lablix, the manual page, README.md and LICENSE); in the
# Windows build `cpack -G ZIP` (lablix.exe, README.txt, LICENSE.txt). Which
# components each takes is in cmake/cpack_options.cmake.in.
set(CPACK_PACKAGE_NAME lablix)
set(CPACK_PACKAGE_VENDOR "The Lablix developers")
set(CPACK_PACKAGE_CONTACT "Lablix developers <lablix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "label file for Orvex from the names in a SESAM FEM file")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/doc/debian/description.txt)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR "DEB;TGZ")
endif()
configure_file(cmake/cpack_options.cmake.in cpack_options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/cpack_options.cmake)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The C++ run-time is linked in; the C library is all the program needs, in
# the version its symbols ask for (dpkg-shlibdeps, from dpkg-dev, works it out).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
