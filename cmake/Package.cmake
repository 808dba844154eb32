# What an installation holds and the Debian package that carries it
# (scripts/package.sh runs cpack). The programs go to bin, everything else
# under share; the programs find the manual at bin/../share/quirels/manual,
# which the build tree mirrors so that F1 works there too.

include(GNUInstallDirs)
# Installing (and so packing) takes what is built and builds nothing more:
# scripts/package.sh builds the targets the package holds, and the package
# check runs while the tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The manual, copied into the build tree beside bin/.
add_custom_target(quirels-manual ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/doc/manual
          ${PROJECT_BINARY_DIR}/share/quirels/manual
  COMMENT "Copying the manual")

# Bash completion of quirels-cli, written from the same help table as the
# manual page.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/completion/quirels-cli
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
  COMMAND quirels-cli-man --completion > ${PROJECT_BINARY_DIR}/completion/quirels-cli
  DEPENDS quirels-cli-man VERBATIM)
add_custom_target(quirels-cli-completion ALL DEPENDS ${PROJECT_BINARY_DIR}/completion/quirels-cli)

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
install(TARGETS quirels quirels-cli quirels-reparo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/doc/manual/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quirels/manual)
install(FILES ${PROJECT_SOURCE_DIR}/data/reference/produtos_controlados.csv
              ${PROJECT_SOURCE_DIR}/data/reference/cnae.csv
              ${PROJECT_SOURCE_DIR}/data/reference/cfop.csv
              ${PROJECT_SOURCE_DIR}/data/reference/paises.csv
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quirels/referencia)
install(FILES ${_pkg}/quirels.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/quirels.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/icons/quirels.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${_pkg}/icons/quirels-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quirels.png)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/completion/quirels-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages, compressed as Debian wants them: quirels-cli's from the help
# table (Portuguese, and the same text as the fallback for other languages,
# since the program speaks Portuguese only), the two others written by hand.
set(_man ${PROJECT_BINARY_DIR}/man-gz)
add_custom_command(OUTPUT ${_man}/quirels-cli.1.gz ${_man}/quirels.1.gz ${_man}/quirels-reparo.1.gz ${_man}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}
  COMMAND sh -c "gzip -9n < '${PROJECT_BINARY_DIR}/man/quirels-cli.1' > '${_man}/quirels-cli.1.gz'"
  COMMAND sh -c "gzip -9n < '${_pkg}/man/quirels.1' > '${_man}/quirels.1.gz'"
  COMMAND sh -c "gzip -9n < '${_pkg}/man/quirels-reparo.1' > '${_man}/quirels-reparo.1.gz'"
  COMMAND sh -c "sed 's/@VERSION@/${QUIRELS_VERSION}/' '${_pkg}/changelog' | gzip -9n > '${_man}/changelog.gz'"
  DEPENDS ${PROJECT_BINARY_DIR}/man/quirels-cli.1 ${_pkg}/man/quirels.1 ${_pkg}/man/quirels-reparo.1 ${_pkg}/changelog
  VERBATIM)
add_custom_target(quirels-manpages-gz ALL DEPENDS ${_man}/quirels-cli.1.gz)
add_dependencies(quirels-manpages-gz quirels-cli-manpage)
foreach(lang "" "pt_BR/")
  install(FILES ${_man}/quirels-cli.1.gz ${_man}/quirels.1.gz ${_man}/quirels-reparo.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/${lang}man1)
endforeach()
install(FILES ${_pkg}/copyright ${_man}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quirels)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quirels)
set(CPACK_PACKAGE_VERSION ${QUIRELS_VERSION})
set(CPACK_PACKAGE_CONTACT "Equipe Quirels <equipe@quirels.example>")
set(CPACK_PACKAGE_VENDOR "Equipe Quirels")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mapas mensais de produtos químicos controlados")
# The long description below the summary line; CPack indents each line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "O Quirels preenche os mapas mensais de controle de produtos químicos
controlados (anexos XI-A a XI-H), valida-os, imprime-os e grava o
arquivo de declaração em XML.
.
O pacote traz o programa de janelas (quirels), a ferramenta de linha de
comando (quirels-cli), o programa de reparo das tabelas (quirels-reparo),
as tabelas de referência e o manual em português.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quirels.example/")
# The libraries the programs link are found by dpkg-shlibdeps; what they load
# at run time (Qt's platform and SQL drivers, Qt's Portuguese texts) is named
# here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, postgresql-client, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
