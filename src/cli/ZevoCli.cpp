// zevo-cli: the console's checks and changes for scripts and monitoring systems, on the plain
// libraries (no widgets). Each action writes the lines the console's own action writes, under
// the same source file and operation, so the activity log shows who changed what. Each
// command is a file of its own with its own parser; this file reads the program's options
// (those in front of the command) and hands the rest to the command.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <map>
#include <string>

#include "base/Version.h"
#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "platform/MessageBox.h"

namespace {

// Boxes the shared code would show go to standard error.
class PrintedBoxes final : public platform::MessageBoxSeam {
  public:
    int Show(const platform::MessageBoxRequest& box) override {
        std::fprintf(stderr, "zevo-cli: %s: %s\n", box.caption.c_str(), box.text.c_str());
        return platform::IDOK;
    }
};

// What ReadProgramOptions returns when a command is to run.
constexpr int kRunCommand = -1;

int Usage(const std::string& reason) {
    std::fprintf(stderr, "zevo-cli: %s\n%s", reason.c_str(), cli_help::kProgram);
    return cli::kUsage;
}

// The program's options, up to the command; the command and its words are left in
// `*command` and `*rest`. Returns kRunCommand to go on, or the exit status.
int ReadProgramOptions(const QStringList& arguments, QString* command, QStringList* rest) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOptions({{{"h", "help"}, ""},
                       {{"v", "version"}, ""},
                       {{"q", "quiet"}, ""},
                       {"timeout", "", "SECONDS"}});
    if (!parser.parse(arguments)) {
        return Usage(parser.errorText().toStdString());
    }
    if (parser.isSet("help")) {
        std::fputs(cli_help::kProgram, stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::puts("zevo-cli " ZEVO_VERSION);
        return 0;
    }
    if (parser.isSet("timeout") && !cli::TakeTimeout(parser.value("timeout"))) {
        return cli::kUsage;
    }
    if (parser.isSet("quiet")) {
        cli::Quiet();
    }
    *rest = parser.positionalArguments();
    if (rest->isEmpty()) {
        return Usage("a command is missing");
    }
    *command = rest->takeFirst();
    return kRunCommand;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PrintedBoxes boxes;
    platform::InstallMessageBoxSeam(&boxes);
    QString command;
    QStringList rest;
    int status = ReadProgramOptions(app.arguments(), &command, &rest);
    if (status == kRunCommand) {
        static const std::map<QString, int (*)(const QStringList&)> kCommands = {
            {"status", StatusCommand},   {"users", UsersCommand},   {"start", StartCommand},
            {"restart", RestartCommand}, {"config", ConfigCommand}, {"fix", FixCommand},
            {"metrics", MetricsCommand}};
        const auto found = kCommands.find(command);
        status = found == kCommands.end() ? Usage("unknown command " + command.toStdString())
                                          : found->second(rest);
    }
    cli::FinishReport();
    std::fflush(stdout);
    platform::InstallMessageBoxSeam(nullptr);
    return status;
}
