# Installation by the GNU layout and the Debian package.
#   PREFIX/bin/                   orvex, orvex-sim, orvex-panel, orvex-navdata
#   PREFIX/share/orvex/           the run-time files (data/, textures/) a unit folder is seeded from
#   PREFIX/share/doc/orvex/       README, docs/, the font's licence, copyright, changelog.gz
#   PREFIX/share/man/man1/        a page per program, made from its --help by help2man with the
#                                 KEYS, FILES, ENVIRONMENT and SEE ALSO of packaging/man/
#   PREFIX/share/applications/    orvex.desktop, with its icon under share/icons/hicolor
# An installed orvex finds share/orvex from its own location (bin/../share/orvex), so the tree
# can live under any prefix, and runs in a per-user unit folder when started outside one.
set(CMAKE_INSTALL_DOCDIR share/doc/orvex CACHE PATH "Documentation folder")
include(GNUInstallDirs)

set(ORVEX_PROGRAMS orvex orvex-sim orvex-panel orvex-navdata)
install(TARGETS ${ORVEX_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data ${CMAKE_SOURCE_DIR}/textures
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orvex)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/fonts/LICENSE-Roboto.txt DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian's copyright file (the program, the font and the navigation data) and the changelog
# of this native package, compressed as Debian wants it.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog.in
  VERBATIM)
add_custom_target(orvex_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages from each program's --help and --version (help2man, from scripts/install-deps).
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM)
  set(ORVEX_MAN_DIR ${CMAKE_BINARY_DIR}/man)
  set(summary_orvex "glass-cockpit display unit (MFD or EICAS) of a twin-engine business jet")
  set(summary_orvex-sim "stand-in for the flight simulator's interface module")
  set(summary_orvex-panel "cockpit panel stand-in: soft keys, knob, dimming, reversion")
  set(summary_orvex-navdata "convert nav.dat, fix.dat and apt.dat into the display's data files")
  set(pages)
  foreach(program ${ORVEX_PROGRAMS})
    set(page ${ORVEX_MAN_DIR}/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVEX_MAN_DIR}
      COMMAND ${HELP2MAN_PROGRAM} --no-info --section=1 "--name=${summary_${program}}"
              --include=${CMAKE_CURRENT_LIST_DIR}/man/${program}.h2m
              --output=${ORVEX_MAN_DIR}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${ORVEX_MAN_DIR}/${program}.1
      DEPENDS ${program} ${CMAKE_CURRENT_LIST_DIR}/man/${program}.h2m
      COMMENT "Man page of ${program}"
      VERBATIM)
    list(APPEND pages ${page})
  endforeach()
  add_custom_target(orvex_man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found (scripts/install-deps installs it): no man pages are built")
endif()

# The Debian package: `cmake --build build --target package` (or `make -C build package`)
# writes build/orvex_VERSION_ARCH.deb; scripts/check-package unpacks and runs it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex)
set(CPACK_PACKAGE_VENDOR "Orvex developers")
# The maintainer is the address the project commits under; a packager who rebuilds the package for
# others sets ORVEX_MAINTAINER to their own name and address.
set(ORVEX_MAINTAINER "Orvex maintainers <maintainers@users.noreply.c-seed-76ec45c3.example>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ORVEX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Glass-cockpit display units for desktop flight simulators")
# Debian's extended description (the synopsis is the summary above): lines of at most 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Orvex plays display unit 2 (EICAS: engines and crew alerting) or 3
(MFD: moving map and systems pages) of a twin-engine business jet.
It ships stand-ins for the simulator's interface module and the
cockpit panel, and a converter for published navigation data.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Headless runs render with Mesa's software rasteriser, which the GL libraries do not pull in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fontconfig")
include(CPack)
