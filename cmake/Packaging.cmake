# What an installed copy holds besides the two programs, and the Debian
# package made of it:  cpack -G DEB --config build/CPackConfig.cmake
install(DIRECTORY help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillar/help)
install(FILES resources/quillar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/quillar.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES resources/org.quillar.Quillar.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages are installed compressed, as Debian's are.
set(quillar_man ${CMAKE_BINARY_DIR}/man/quillar-data.1.gz)
add_custom_command(OUTPUT ${quillar_man}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" _ ${CMAKE_SOURCE_DIR}/resources/quillar-data.1 ${quillar_man}
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/quillar-data.1 VERBATIM)
add_custom_target(quillar_man ALL DEPENDS ${quillar_man})
install(FILES ${quillar_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillar)
set(CPACK_PACKAGE_VENDOR Quillar)
set(CPACK_PACKAGE_CONTACT "Quillar <quillar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "agenda de citas de escritorio")
set(CPACK_PACKAGE_DESCRIPTION
  "Agenda de citas para una persona: un calendario de varios meses junto a una vista de uno a treinta y un días, avisos de las citas, búsqueda, impresión y copias de seguridad. Los datos son tablas dBase. Incluye quillar-data, que trabaja con las tablas desde la consola.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries' packages are worked out from the programs; Qt's Spanish
# texts, the C library's Spanish error texts and the fonts the layouts are
# measured in are not libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libc-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
include(CPack)
