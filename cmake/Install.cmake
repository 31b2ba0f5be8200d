# A system-wide installation: the program in bin/, its shipped files in share/tondrial/ (it
# finds them from its own folder), and what a desktop needs to list, show and describe it.
install(TARGETS tondrial RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tondrial)
set(TONDRIAL_DESKTOP ${CMAKE_SOURCE_DIR}/desktop)
install(FILES ${TONDRIAL_DESKTOP}/tondrial.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TONDRIAL_DESKTOP}/tondrial.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 32x32 48x48 128x128)
  install(FILES ${TONDRIAL_DESKTOP}/icons/${size}/tondrial.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES ${TONDRIAL_DESKTOP}/icons/scalable/tondrial.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Manual pages are installed compressed, without a time stamp so that a rebuild gives the same file.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tondrial.1.gz
  COMMAND gzip -9 -n -c ${TONDRIAL_DESKTOP}/tondrial.1 > ${CMAKE_BINARY_DIR}/tondrial.1.gz
  DEPENDS ${TONDRIAL_DESKTOP}/tondrial.1 VERBATIM)
add_custom_target(tondrial_man ALL DEPENDS ${CMAKE_BINARY_DIR}/tondrial.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/tondrial.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: "cpack -G DEB" in the build tree (scripts/package.sh builds a release tree
# for it). Its dependencies come from the libraries the program links, through dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tondrial)
set(CPACK_PACKAGE_VENDOR MerrowinS)
set(CPACK_PACKAGE_CONTACT "Tondrial team <team@tondrial.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-only audio player that speaks every action")
set(CPACK_PACKAGE_DESCRIPTION "Tondrial is an audio player for blind and visually impaired people,
made for presenters who run a live programme and for people who read audio
books. It plays a playlist on the Output device with fades and overlap,
pre-listens on a second device, and confirms every action with a short
announcement sent to the screen reader.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tondrial.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Announcements reach the screen reader through the speech server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "speech-dispatcher")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "orca")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Debian wants the licence and a change log in the package's documentation folder.
set(TONDRIAL_DEBIAN_DOC ${CMAKE_BINARY_DIR}/debian-doc)
configure_file(${TONDRIAL_DESKTOP}/debian/copyright ${TONDRIAL_DEBIAN_DOC}/copyright COPYONLY)
configure_file(${TONDRIAL_DESKTOP}/debian/changelog.in ${TONDRIAL_DEBIAN_DOC}/changelog @ONLY)
add_custom_command(OUTPUT ${TONDRIAL_DEBIAN_DOC}/changelog.gz
  COMMAND gzip -9 -n -c ${TONDRIAL_DEBIAN_DOC}/changelog > ${TONDRIAL_DEBIAN_DOC}/changelog.gz
  DEPENDS ${TONDRIAL_DEBIAN_DOC}/changelog VERBATIM)
add_custom_target(tondrial_debian_doc ALL DEPENDS ${TONDRIAL_DEBIAN_DOC}/changelog.gz)
install(FILES ${TONDRIAL_DEBIAN_DOC}/copyright ${TONDRIAL_DEBIAN_DOC}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tondrial)
include(CPack)
