# Writes zevo-cli's man page from its own --help texts:
#   cmake -DCLI=<zevo-cli> -DOUT=<zevo-cli.1> -DVERSION=<version> -P ManPage.cmake
# The program's help gives the synopsis, description, options, environment and exit status;
# each command's help gives its part of COMMANDS.

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

# The block of `text` under the heading line `heading` (up to the next empty line).
function(block_of out text heading)
    string(FIND "${text}" "${heading}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "zevo-cli --help has no \"${heading}\"")
    endif()
    string(LENGTH "${heading}\n" skip)
    math(EXPR at "${at} + ${skip}")
    string(SUBSTRING "${text}" ${at} -1 rest)
    string(FIND "${rest}" "\n\n" end)
    if(NOT end EQUAL -1)
        math(EXPR end "${end} + 1")
        string(SUBSTRING "${rest}" 0 ${end} rest)
    endif()
    set(${out} "${rest}" PARENT_SCOPE)
endfunction()

help_of(program)
string(FIND "${program}" "\n" first)
string(SUBSTRING "${program}" 0 ${first} usage)
string(REPLACE "Usage: " "" usage "${usage}")
math(EXPR first "${first} + 1")
string(SUBSTRING "${program}" ${first} -1 description)
string(FIND "${description}" "\n\n" end)
string(SUBSTRING "${description}" 0 ${end} description)
block_of(options "${program}" "Options:")
block_of(environment "${program}" "Environment:")
block_of(exits "${program}" "Exit status:")

set(page ".TH ZEVO-CLI 1 \"\" \"zevo-cli ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nzevo-cli \\- check and change the QEL trading gateways of this machine\n")
string(APPEND page ".SH SYNOPSIS\n.B ${usage}\n")
string(APPEND page ".SH DESCRIPTION\n${description}\n")
string(APPEND page ".SH COMMANDS\n")
foreach(command status users start restart config fix metrics)
    help_of(text ${command})
    string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH OPTIONS\n.nf\n${options}.fi\n")
string(APPEND page ".SH EXIT STATUS\n.nf\n${exits}.fi\n")
string(APPEND page ".SH ENVIRONMENT\n.nf\n${environment}.fi\n")
string(APPEND page ".SH FILES\n.TP\n.I /etc/qel_ip/qel_ip.reg\n"
       "The installation's settings: markets, ports, configuration files, folders.\n"
       ".TP\n.I <ZEVO_LOG_FILES_PATH>/zevo.<date>.<time>.current.txt\n"
       "The activity log, where the commands that change something write the console's lines.\n")
string(APPEND page ".SH EXAMPLES\n.nf\n"
       "zevo\\-cli status || echo \"a gateway is down (2) or the machine cannot be read (3)\"\n"
       "zevo\\-cli status \\-\\-json\n"
       "zevo\\-cli users FO \\-\\-no\\-header\n"
       "zevo\\-cli config set FO BOX_ID=7 \\-\\-dry\\-run\n"
       "zevo\\-cli config set FO BROKER_ID=12342 MACHINE_LAN_IP=10.1.1.5\n"
       "zevo\\-cli \\-\\-timeout 10 restart MF\n"
       "zevo\\-cli status FO \\-\\-quiet || echo \"FO is down\"\n"
       "zevo\\-cli fix add FO 12 7\n"
       "zevo\\-cli fix list FO \\-\\-json\n"
       "zevo\\-cli metrics \\-\\-users \\-\\-textfile /var/lib/prometheus/node\\-exporter\n.fi\n")
string(APPEND page ".SH SEE ALSO\n.BR zevo (1)\n")
file(WRITE ${OUT} "${page}")
