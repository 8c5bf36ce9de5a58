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
    cli::Installation installation;
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    return cli::StartApplications(&installation.log) ? 0 : cli::kFailed;
}
