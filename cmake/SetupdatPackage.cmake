# How the Linux setupdat reaches its users: `cmake --install` puts the program in bin and its
# man page, made from its own --help by help2man, in share/man/man1; CPack wraps the same two in
# a Debian package, setupdat_<version>_<arch>.deb, whose dependencies dpkg-shlibdeps finds.
include(GNUInstallDirs)

find_program(HELP2MAN help2man REQUIRED)
set(setupdat_man ${CMAKE_CURRENT_BINARY_DIR}/setupdat.1)
# Debian keeps man pages compressed, without a name or time stamp in the gzip header.
add_custom_command(OUTPUT ${setupdat_man}.gz
  COMMAND ${CMAKE_COMMAND} -DSETUPDAT=$<TARGET_FILE:setupdat> -DOUTPUT=${setupdat_man}.h2m
          -P ${CMAKE_CURRENT_LIST_DIR}/SetupdatManPage.cmake
  COMMAND ${HELP2MAN} --no-info --section 1 --include ${setupdat_man}.h2m
          --name "pack, extract and examine the data files of Marbelo Orbit Setup"
          --output ${setupdat_man} $<TARGET_FILE:setupdat>
  COMMAND gzip -9nf ${setupdat_man}
  DEPENDS setupdat ${CMAKE_CURRENT_LIST_DIR}/SetupdatManPage.cmake
  COMMENT "Writing the man page setupdat.1 from setupdat --help"
  VERBATIM)
add_custom_target(setupdat_man ALL DEPENDS ${setupdat_man}.gz)

install(TARGETS setupdat RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${setupdat_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME setupdat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Marbelo")
set(CPACK_PACKAGE_CONTACT "Marbelo Orbit Setup developers <setup@marbelo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "packs, extracts and examines the Setup.dat and Uninst.dat of Marbelo Orbit Setup")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "setupdat packs a product folder into the Setup.dat the Marbelo Orbit installer reads,\n\
extracts one again, and lists and checks Setup.dat and Uninst.dat files.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
