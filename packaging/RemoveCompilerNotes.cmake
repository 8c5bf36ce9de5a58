# Run by cpack once the project is installed in its staging folder, before the debug symbols
# are split off (CPACK_PRE_BUILD_SCRIPTS). The compiler and the C library's start files each
# leave their version in a .comment section that nothing at run time reads; the programs go
# without it (objcopy, as Debian's dh_strip does).
file(GLOB_RECURSE files LIST_DIRECTORIES false ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(file IN LISTS files)
    if(IS_SYMLINK ${file})
        continue()
    endif()
    file(READ ${file} magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")  # \177ELF
        execute_process(COMMAND objcopy --remove-section=.comment ${file}
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
