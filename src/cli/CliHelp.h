#pragma once

// The texts of "zevo-cli --help" and of each command's --help; the man page is made from
// them.
namespace cli_help {

inline const char* const kProgram =
    "Usage: zevo-cli COMMAND [ARGUMENTS]\n"
    "Checks and changes the QEL trading gateways of this machine from scripts and monitoring\n"
    "systems, the way the ZEVO console does. What changes something is written to the activity\n"
    "log with the console's own lines; what only looks writes nothing there.\n"
    "\n"
    "Commands:\n"
    "  status [MARKET] [--json] [--no-header]\n"
    "                                    each installed market (or MARKET), whether its\n"
    "                                    gateway runs, and its installed version\n"
    "  users MARKET [--json] [--no-header]\n"
    "                                    the gateway's box and its connected users\n"
    "  start                             Start Applications: asks the QEL_IP service to start\n"
    "                                    the installed gateways\n"
    "  restart MARKET                    asks the market's running gateway to restart\n"
    "  config get MARKET KEY             prints a value of the market's gateway configuration\n"
    "  config set MARKET KEY=VALUE...    changes values of the market's gateway configuration\n"
    "  fix list MARKET                   the market's FIX users (user ID, branch ID)\n"
    "  fix add|edit MARKET USER BRANCH   adds a FIX user, or changes a user's branch ID\n"
    "  fix delete MARKET USER            deletes a FIX user's session\n"
    "  metrics [--users] [--textfile DIR]\n"
    "                                    the machine's state in the Prometheus text format\n"
    "\n"
    "MARKET is a market's name (CM, FO, WDM, IPO, CD, SLBM, MF) or code (1 to 7).\n"
    "\"zevo-cli COMMAND --help\" describes a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help           print this help and exit\n"
    "  -v, --version        print the version and exit\n"
    "  -q, --quiet          print nothing on standard output: the exit status alone answers\n"
    "                       (errors are still said on standard error)\n"
    "  --timeout SECONDS    how long to wait for a gateway (default 5), and for another\n"
    "                       writer of the configuration (default 10)\n"
    "Each command also takes --quiet and --timeout after its name.\n"
    "\n"
    "Environment:\n"
    "  QEL_IP_REGISTRY     the settings-store file (default /etc/qel_ip/qel_ip.reg)\n"
    "  QEL_IP_SERVICE_DIR  the service-control folder (default /run/qel_ip)\n"
    "  QEL_IP_PROC_ROOT    the process table the gateway check reads (default /proc)\n"
    "\n"
    "Exit status:\n"
    "  0  done; for status: every installed gateway runs\n"
    "  1  refused or failed (the reason is printed on standard error)\n"
    "  2  status: an installed gateway does not run\n"
    "  3  status, metrics: the installation or the process table cannot be read\n"
    "  4  config set, fix add|edit|delete: saved, but the FIX file, the restart or the start\n"
    "     of the applications failed (said on standard error)\n"
    "  5  config set, fix add|edit|delete with --confirm: rolled back, the gateway did not\n"
    "     run again on the save\n"
    "  64 wrong usage\n"
    "Every error message on standard error begins with \"zevo-cli: \".\n";

inline const char* const kStatus =
    "Usage: zevo-cli status [MARKET] [--json] [--no-header]\n"
    "Prints each installed market (only MARKET when it is given), whether its gateway process\n"
    "runs (running, not_running) and the version the settings store records for it, one\n"
    "market a line, no blank inside a field (- for none); --no-header leaves out the heading\n"
    "line. --json prints the same as one JSON object, with \"state\" as the same word.\n"
    "Exit status 0 when every installed gateway (or MARKET's) runs, 2 when one does not, 3\n"
    "when the installation (the settings store, its markets), MARKET or the process table\n"
    "cannot be read.\n";

inline const char* const kUsers =
    "Usage: zevo-cli users MARKET [--json] [--no-header]\n"
    "Asks the market's running gateway for its box information and its users (the requests\n"
    "of the Active Users list) and prints one record a line: \"box ID STATE\", then \"user ID\n"
    "STATE\" for each user, STATE a word such as logged_on; --no-header leaves out the\n"
    "heading line. --json prints the same as one JSON object, with each state also as the\n"
    "list shows it (\"status\").\n"
    "Exit status 1 when the gateway refuses the connection (said at once) or does not answer\n"
    "within the timeout.\n";

inline const char* const kStart =
    "Usage: zevo-cli start\n"
    "Sends the Start Applications control (code 130) to the QEL_IP service, which starts the\n"
    "gateways of the installed markets. Exit status 1 when the service refuses or is absent.\n";

inline const char* const kRestart =
    "Usage: zevo-cli restart MARKET\n"
    "Sends the restart request to the market's gateway on its interactive port; the gateway\n"
    "ends its connections and starts again. Exit status 1 when the gateway cannot be reached.\n";

inline const char* const kConfig =
    "Usage: zevo-cli config get MARKET KEY\n"
    "       zevo-cli config set MARKET KEY=VALUE... [--dry-run] [--no-restart]\n"
    "                                 [--confirm SECONDS]\n"
    "       zevo-cli config history [MARKET] [--json]\n"
    "       zevo-cli config diff REV [REV]\n"
    "       zevo-cli config restore MARKET REV [--dry-run] [--no-restart]\n"
    "get prints the value of KEY in the market's gateway configuration file.\n"
    "set changes values the QEL Configuration dialog changes:\n"
    "  MACHINE_LAN_IP, MACHINE_WAN_IP, PRIMARY_HOST_IP   addresses a.b.c.d\n"
    "  HOST_PORT_NUMBER (1 to 65535), BOX_ID (1 to 32767), BROKER_ID (up to 5 letters and\n"
    "  digits), CURRENT_CONFIG (PRIMARY or BCP)\n"
    "The dialog's rules apply: a refused value prints the dialog's message, exits with status\n"
    "1 and leaves the file untouched. After a change the file is rewritten in place, the FIX\n"
    "file follows a new broker ID or local address, a running gateway is restarted and the\n"
    "applications are started, as the dialog does. Only the values that change are written;\n"
    "a set that changes nothing writes nothing and restarts nothing.\n"
    "Every save (the window's, the FIX dialogs', every changing command) is a commit in the\n"
    "configuration history, a git repository in the activity log's folder (history/):\n"
    "history lists the saves of a market (or all), newest first: ID, time, author, what\n"
    "changed; --json prints them as JSON. diff prints what save REV changed, or with two,\n"
    "what changed from the first to the second. restore writes the market's files as save\n"
    "REV left them, as a save of its own, and restarts a running gateway.\n"
    "  --dry-run     print KEY: old -> new for what would change; touch nothing\n"
    "  --no-restart  save, but leave a running gateway and the service alone\n"
    "  --confirm SECONDS\n"
    "                a save that undoes itself: unless the gateway runs again with a version\n"
    "                ZEVO accepts within SECONDS of the save, the files are put back as they\n"
    "                were before it (a save of its own), the gateway is started on them again,\n"
    "                and the exit status is 5 (\"rolled back\"); 4 when even that failed\n";

inline const char* const kFix =
    "Usage: zevo-cli fix list MARKET [--json] [--no-header]\n"
    "       zevo-cli fix add MARKET USER_ID BRANCH_ID [--no-restart] [--confirm SECONDS]\n"
    "       zevo-cli fix edit MARKET USER_ID BRANCH_ID [--no-restart] [--confirm SECONDS]\n"
    "       zevo-cli fix delete MARKET USER_ID [--no-restart] [--confirm SECONDS]\n"
    "The FIX users of a FIX-enabled market, as the FIX Users list and the FIX User Details\n"
    "dialog read and write them in the market's FIX configuration file.\n"
    "list prints one user a line, \"USER_ID BRANCH_ID\", by user ID; --json prints them with\n"
    "the broker ID and MAX_TWS_CLIENTS. It writes nothing, not even to the activity log.\n"
    "add appends a session block for a new user (USER_ID up to 5 digits, BRANCH_ID up to 3);\n"
    "edit gives a listed user a new branch ID (and the current broker ID); delete removes the\n"
    "user's session block. The dialogs' rules apply, with their messages: \"User ID can't be\n"
    "blank\", \"Branch ID can't be zero\", \"User ID 5 already exists.\", \"Maximum User limit\n"
    "is reached. New User cannot be added.\"; a refused change exits with status 1 and leaves\n"
    "the file untouched. An edit to the branch ID the user has changes nothing.\n"
    "After a change a running gateway is restarted, as leaving the FIX Users list does.\n"
    "  --no-restart  change the file, but leave a running gateway alone\n"
    "  --confirm SECONDS\n"
    "                as for config set: rolled back (exit status 5) unless the gateway runs\n"
    "                again with an accepted version within SECONDS\n";

inline const char* const kMetrics =
    "Usage: zevo-cli metrics [--users] [--textfile DIR]\n"
    "Prints the machine's state in the Prometheus text format: per installed market\n"
    "zevo_gateway_up (1 while its gateway process runs) and zevo_gateway_info{version}; per\n"
    "FIX-enabled market zevo_fix_users and zevo_fix_users_max (MAX_TWS_CLIENTS); every\n"
    "numeric figure of the statistics files as zevo_statistic{market,parameter,unit}, less\n"
    "those five minutes old or older, which the console shows blank; per statistics file the\n"
    "time of its newest figure, zevo_statistics_updated_seconds{file}; and\n"
    "zevo_metrics_scrape_seconds. It writes nothing to the activity log.\n"
    "  --users         also asks each running gateway for its users (the Active Users list's\n"
    "                  requests) and counts them by login state: zevo_gateway_users{state}\n"
    "  --textfile DIR  writes DIR/zevo.prom, replaced whole at once, for node_exporter's\n"
    "                  textfile collector, instead of printing\n"
    "Exit status 3 when the installation or the process table cannot be read, 1 when the\n"
    "file cannot be written.\n";

}  // namespace cli_help
