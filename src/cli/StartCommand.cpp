// zevo-cli start: the main window's Start Applications.

#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"

int StartCommand(const QStringList& arguments) {
    CommandLine line("start", cli_help::kStart);
    int status = 0;
    if (!line.Parse(arguments, 0, 0, &status)) {
        return status;
    }
    ActivityLog log;
    return cli::StartApplications(&log) ? 0 : cli::kFailed;
}
