# Run by cpack after it built the packages (CPACK_POST_BUILD_SCRIPTS). Each package is unpacked
# and packed again by dpkg-deb, so that the same tree gives the same bytes: every file, folder
# and archive member takes the time SOURCE_DATE_EPOCH names, or, when it is not set, the time of
# the source tree's last commit (CPack itself only leaves the gzip header's time out for it;
# the times of the staged files and of the ar members are those of the packing). dpkg-deb
# sorts the members and compresses with xz; the debug symbols, some 60 MB, at xz's fastest
# level, which packs them a few percent larger in a fifth of the time.
#
# CPack's debug-symbol package also lists its files in md5sums under the absolute path of
# cpack's staging folder, and has no copyright or changelog; dpkg and lintian want
# root-relative paths and a doc folder. So its md5sums gets the paths as they are installed,
# the doc folder is the main package's (a link, as Debian's own debug-symbol packages have it;
# the package depends on that exact version), and the symbol files lose the execute bit.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
    execute_process(COMMAND git -C ${CPACK_ZEVO_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE no_git ERROR_QUIET)
    if(no_git OR NOT epoch MATCHES "^[0-9]+$")
        # A source tree without its history: the changelog's time stands for the release.
        file(TIMESTAMP ${CPACK_ZEVO_SOURCE_DIR}/packaging/changelog epoch "%s" UTC)
    endif()
endif()
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")

foreach(package IN LISTS CPACK_PACKAGE_FILES)
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/repack)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)

    if(package MATCHES "\\.ddeb$")
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
    endif()

    execute_process(COMMAND find ${tree} -exec touch --no-dereference --date=@${epoch} {} +
                    COMMAND_ERROR_IS_FATAL ANY)
    set(level 6)
    if(package MATCHES "\\.ddeb$")
        set(level 1)
    endif()
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -z${level} --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
