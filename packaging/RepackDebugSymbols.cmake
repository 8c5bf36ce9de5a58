# Run by cpack after it built the packages (CPACK_POST_BUILD_SCRIPTS). CPack's debug-symbol
# package lists its files in md5sums under the absolute path of cpack's staging folder, and has
# no copyright or changelog; dpkg and lintian want root-relative paths and a doc folder. So the
# package is unpacked, md5sums gets the paths as they are installed, the doc folder is the main
# package's (a link, as Debian's own debug-symbol packages have it; the package depends on that
# exact version), the symbol files lose the execute bit, and it is packed again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.ddeb$")
        continue()
    endif()
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-repack)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)

    file(STRINGS ${tree}/DEBIAN/md5sums sums)
    set(fixed "")
    foreach(line IN LISTS sums)
        string(REGEX REPLACE "^([0-9a-f]+) +.*/(usr/lib/debug/.*)$" "\\1  \\2" line "${line}")
        string(APPEND fixed "${line}\n")
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${fixed}")

    file(GLOB_RECURSE symbols ${tree}/usr/lib/debug/*.debug)
    foreach(symbol IN LISTS symbols)
        file(CHMOD ${symbol} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endforeach()

    get_filename_component(name ${package} NAME)
    string(REGEX REPLACE "^([^_]+)-dbgsym_.*" "\\1" main "${name}")
    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${main} ${tree}/usr/share/doc/${main}-dbgsym SYMBOLIC)

    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
