# `cmake --install` and the Debian package: the program and tometool in bin,
# the files shipped beside the program under share/tomekeeper (read-only there:
# the program's first start copies them into the user's own directory), the
# desktop entry and the icon.
include(GNUInstallDirs)
# Installs and packages what the build made (scripts/build.sh builds it all)
# rather than building every test and benchmark first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(TOMES_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/tomekeeper)

install(TARGETS tomekeeper tometool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
        ${TOMES_PROGRAM_DIR}/data.dbf ${TOMES_PROGRAM_DIR}/DATA.MDX ${TOMES_PROGRAM_DIR}/data.dbt
        ${TOMES_PROGRAM_DIR}/master.dbf ${TOMES_PROGRAM_DIR}/master.mdx
        ${TOMES_PROGRAM_DIR}/list.dbf ${TOMES_PROGRAM_DIR}/list.mdx
        DESTINATION ${TOMES_SHARE_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${TOMES_SHARE_DIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/help)
  # The build copies the pages next to the program; installed, they are read in place.
  install(DIRECTORY ${TOMES_PROGRAM_DIR}/help/ DESTINATION ${TOMES_SHARE_DIR}/help)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tomekeeper.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tomekeeper.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tomekeeper)
set(CPACK_PACKAGE_VENDOR "Orvanta")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop database for a personal book collection")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Tomekeeper keeps a catalogue of your books in dBASE IV tables and shows it as an open "
       "book: contents, record pages, find, filter, sort, reports, labels, import and export.")
set(CPACK_PACKAGE_CONTACT "Orvanta Tomekeeper <tomekeeper@orvanta.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the binaries link, read from them by dpkg-shlibdeps (the Qt 6
# libraries; the xcb platform plugin comes with libqt6gui6), and the fonts the
# pages are laid out with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
