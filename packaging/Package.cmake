# What `cmake --install` puts in place and the Debian package made from it (cpack -G DEB in
# the build folder): the programs stripped, their debug symbols in zevo-dbgsym, compressed man
# pages, the copyright and changelog Debian wants, the desktop entry and icon, the monitoring
# units (installed, not enabled, cleaned up on purge) and their alert and dashboard files.
include(GNUInstallDirs)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

install(FILES ${packaging}/zevo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/zevo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages go compressed, without a name or time stamp in the gzip header, so the package's
# bytes depend only on the pages.
set(pages ${packaging}/zevo.1 ${PROJECT_BINARY_DIR}/src/zevo-cli.1)
# Made at configure time: Ninja makes an output's folder itself, Makefiles do not.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
set(compressed_pages)
foreach(page IN LISTS pages)
    get_filename_component(name ${page} NAME)
    set(out ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND sh -c "gzip -9nc '${page}' > '${out}'"
        DEPENDS ${page} VERBATIM)
    list(APPEND compressed_pages ${out})
endforeach()
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND sh -c "gzip -9nc '${packaging}/changelog' > '${changelog}'"
    DEPENDS ${packaging}/changelog VERBATIM)
add_custom_target(zevo_package_files ALL DEPENDS ${compressed_pages} ${changelog})
add_dependencies(zevo_package_files zevo_cli_man)
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${packaging}/zevo.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zevo)

# The metrics and history-push units and the alert rules and dashboard for them. The units
# are installed disabled (the maintainer scripts only record what an enable would link, so that
# a purge removes it). The metrics service names the zevo-cli beside it: it is written at
# install time from the prefix the install goes to, /usr in the package, --prefix otherwise.
set(monitoring ${packaging}/monitoring)
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(unit_bindir "${CMAKE_INSTALL_BINDIR}")
else()
    set(unit_bindir "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
endif()
set(unit_dir ${PROJECT_BINARY_DIR}/packaging/units)
install(CODE "
    set(CMAKE_INSTALL_FULL_BINDIR \"${unit_bindir}\")
    configure_file(\"${monitoring}/zevo-metrics.service.in\"
                   \"${unit_dir}/zevo-metrics.service\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\" TYPE FILE
         FILES \"${unit_dir}/zevo-metrics.service\")")
install(FILES ${monitoring}/zevo-metrics.timer ${monitoring}/zevo-history-push.service
        ${monitoring}/zevo-history-push.timer DESTINATION lib/systemd/system)
install(FILES ${monitoring}/zevo-alerts.yml ${monitoring}/zevo-dashboard.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zevo/monitoring)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zevo)
set(CPACK_PACKAGE_CONTACT "ZEVO developers <zevo-dev@zevo-console.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for QEL trading gateways")
file(READ ${packaging}/description.txt CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zevo-console.org/")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# node_exporter serves what zevo-metrics.timer writes.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS prometheus-node-exporter)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${packaging}/debian/postinst ${packaging}/debian/prerm ${packaging}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs go stripped; their debug symbols, split off by build ID, go to zevo-dbgsym.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# The programs lose the compiler's version notes (.comment) before they are split.
set(CPACK_PRE_BUILD_SCRIPTS ${packaging}/RemoveCompilerNotes.cmake)
# Both packages are packed again by dpkg-deb (RepackPackages.cmake), with every time in them set
# to SOURCE_DATE_EPOCH, or to the last commit's time when it is not set, so that the same tree
# gives the same bytes. CPack's own archives are only a way there, so it does not compress them.
set(CPACK_POST_BUILD_SCRIPTS ${packaging}/RepackPackages.cmake)
set(CPACK_DEBIAN_COMPRESSION_TYPE none)
set(CPACK_ZEVO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
# Folders the package makes are 0755 whatever the umask of whoever builds it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
