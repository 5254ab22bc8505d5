# What an installation carries beside the programs (manual pages, shell
# completion, AppStream metadata, the package's own documents), and the
# Debian package made from it with CPack:
#   cpack --config build/CPackConfig.cmake    (scripts/package.sh does this)
# gives fennimar_VERSION_amd64.deb with everything under /usr.
include(GNUInstallDirs)

# Manual pages and the changelog are installed compressed, as Debian wants;
# the package's version has no Debian revision, so it is native and its
# changelog is changelog.gz.
set(compressed)
# Ninja makes an output's folder by itself; Make does not.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/compressed)
foreach(source docs/man/fennimar.1 docs/man/fennimar-cli.1 docs/man/joinex.1
               resources/debian/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_documents ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/compressed/fennimar.1.gz
              ${CMAKE_BINARY_DIR}/compressed/fennimar-cli.1.gz
              ${CMAKE_BINARY_DIR}/compressed/joinex.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/fennimar-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME fennimar-cli)
install(FILES ${PROJECT_SOURCE_DIR}/resources/joinex.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME joinex)
install(FILES ${PROJECT_SOURCE_DIR}/resources/org.example.fennimar.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
              ${CMAKE_BINARY_DIR}/compressed/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/fennimar)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME fennimar)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fennimar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "The Fennimar developers <developers@fennimar.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split large files into parts and join them back")
set(CPACK_PACKAGE_DESCRIPTION
    "Fennimar cuts one large file into numbered part files of a chosen size
(REPORT.Z00, REPORT.Z01, ...) and joins such parts back into the original,
byte for byte, with its modification time. Parts go into a directory, onto
removable disks one at a time, or out as e-mail, one part per message.

The package holds the desktop program fennimar, the terminal front end
fennimar-cli, and the companion joiners joinex (Linux) and joinex.exe
(Windows), which a split copies onto removable disks for the recipient.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
