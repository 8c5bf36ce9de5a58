#include "cli/CommandLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "cli/CliSupport.h"
#include "platform/ConfigLock.h"

CommandLine::CommandLine(const char* command, const char* help)
    : m_command(QString("zevo-cli ") + command), m_help(help) {
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
    m_parser.addOption(QCommandLineOption(QStringList{"q", "quiet"}));
    Add("timeout", "SECONDS");
}

void CommandLine::Add(const char* name, const char* valueName) {
    QCommandLineOption option{QString(name)};
    if (valueName) {
        option.setValueName(valueName);
    }
    m_parser.addOption(option);
}

bool CommandLine::Parse(const QStringList& arguments, int* status) {
    if (!m_parser.parse(QStringList{m_command} + arguments)) {
        *status = Usage(m_parser.errorText().toStdString());
        return false;
    }
    if (m_parser.isSet("help")) {
        std::fputs(m_help, stdout);
        *status = 0;
        return false;
    }
    if (m_parser.isSet("timeout") && !cli::TakeTimeout(m_parser.value("timeout"))) {
        *status = cli::kUsage;
        return false;
    }
    if (m_parser.isSet("quiet")) {
        cli::Quiet();
    }
    return true;
}

bool CommandLine::Parse(const QStringList& arguments, int least, int most, int* status) {
    if (!Parse(arguments, status)) {
        return false;
    }
    if (PositionalCount() < least || PositionalCount() > most) {
        *status =
            Usage(PositionalCount() < least ? "an argument is missing" : "too many arguments");
        return false;
    }
    return true;
}

std::string CommandLine::Positional(int index) const {
    const QStringList positional = m_parser.positionalArguments();
    return index < positional.size() ? positional[index].toStdString() : std::string();
}

int CommandLine::Usage(const std::string& reason) const {
    std::fprintf(stderr, "zevo-cli: %s\n%s", reason.c_str(), m_help);
    return cli::kUsage;
}

namespace cli {

bool TakeTimeout(const QString& text) {
    bool number = false;
    const int seconds = text.toInt(&number);
    if (!number || seconds <= 0 || seconds > 24 * 3600) {
        std::fprintf(stderr, "zevo-cli: --timeout takes a number of seconds, not %s\n",
                     text.toUtf8().constData());
        return false;
    }
    g_connectMilliseconds = seconds * 1000;
    platform::SetLockWait({seconds * 1000, {}});
    return true;
}

void Quiet() {
    std::fflush(stdout);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (nowhere >= 0) {
        ::dup2(nowhere, STDOUT_FILENO);
        ::close(nowhere);
    }
}

}  // namespace cli
