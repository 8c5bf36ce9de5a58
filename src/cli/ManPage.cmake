# Writes zevo-cli's man page from its own --help texts:
#   cmake -DCLI=<zevo-cli> -DOUT=<zevo-cli.1> -DVERSION=<version> -P ManPage.cmake

function(help_of out)
    execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "zevo-cli ${ARGN} --help ended with ${status}")
    endif()
    # troff: backslashes doubled, lines that begin with a dot or an apostrophe kept as text.
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(program)
set(page ".TH ZEVO-CLI 1 \"\" \"zevo-cli ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nzevo-cli \\- check and change the QEL trading gateways of this machine\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${program}.fi\n.SH COMMANDS\n")
foreach(command status users start restart config)
    help_of(text ${command})
    string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH SEE ALSO\nzevo(1)\n")
file(WRITE ${OUT} "${page}")
