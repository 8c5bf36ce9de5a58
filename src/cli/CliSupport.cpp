#include "cli/CliSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/Settings.h"
#include "base/Text.h"
#include "cli/CommandLine.h"
#include "config/ConfirmedSave.h"
#include "core/ApplicationStart.h"
#include "core/GatewayProcess.h"
#include "core/MarketType.h"
#include "link/RestartRequest.h"
#include "log/Format.h"
#include "platform/ServiceControl.h"
#include "platform/SettingsStore.h"
#include "platform/TextFile.h"

namespace cli {

int g_connectMilliseconds = 5000;

int Fail(const std::string& text) {
    return Fail(kFailed, text);
}

int Fail(int status, const std::string& text) {
    std::fprintf(stderr, "zevo-cli: %s\n", text.c_str());
    return status;
}

std::string MachineWord(const std::string& text) {
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            word += '_';
        } else if (c != '.') {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return word.empty() ? "-" : word;
}

void PrintJson(const QJsonObject& object) {
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

namespace {

struct JsonReport {
    bool started = false;
    int stdoutCopy = -1;
    QJsonObject object;
};

JsonReport& TheReport() {
    static JsonReport report;
    return report;
}

}  // namespace

void StartReport() {
    JsonReport& report = TheReport();
    report.started = true;
    report.object.insert("changed", false);
    std::fflush(stdout);
    report.stdoutCopy = ::dup(STDOUT_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (nowhere >= 0) {
        ::dup2(nowhere, STDOUT_FILENO);
        ::close(nowhere);
    }
}

void Report(const char* key, const QJsonValue& value) {
    if (TheReport().started) {
        TheReport().object.insert(key, value);
    }
}

void FinishReport() {
    JsonReport& report = TheReport();
    if (!report.started) {
        return;
    }
    std::fflush(stdout);
    if (report.stdoutCopy >= 0) {
        ::dup2(report.stdoutCopy, STDOUT_FILENO);
        ::close(report.stdoutCopy);
    }
    PrintJson(report.object);
    report.started = false;
}

namespace {

// Why the settings store cannot serve, as the operator is told: the file's own error (missing,
// a folder, no permission), or that it holds no installation; empty when it names a market.
std::string WhyUnreadable(const InstalledMarkets& table) {
    const std::string path = platform::DefaultSettingsStorePath();
    if (!platform::DefaultSettingsStore().OpenKey(settings::kRoot)) {
        const std::string why = platform::WhyNotEditableText(path);
        return "the installation cannot be read: " +
               (why.empty() ? "no settings in " + path : path + ": " + why);
    }
    if (table.number_of_markets <= 0) {
        return "the installation cannot be read: no market in " + path;
    }
    return {};
}

// The installation as the window reads it at start, without its lines: the window's start-up
// lines are not the command's.
InstalledMarkets ReadInstallation() {
    InstalledMarkets table;
    ActivityLog silent{ActivityLog::NoFile{}};
    GetNumberOfMarkets(table, platform::DefaultSettingsStore(), silent);
    InitTypesOfMarketsConfigFilePathsAndPorts(table, platform::DefaultSettingsStore(), silent,
                                              nullptr);
    return table;
}

}  // namespace

Installation::Installation(bool writesLog)
    : table(ReadInstallation()),
      unreadable(WhyUnreadable(table)),
      logFile(writesLog && unreadable.empty()
                  ? std::make_unique<ActivityLog>(platform::DefaultSettingsStore(),
                                                  ActivityLog::Held{"zevo-cli"})
                  : std::make_unique<ActivityLog>(ActivityLog::NoFile{})),
      log(*logFile) {}

Installation::~Installation() {
    if (!nothingChanged) {
        log.Keep();
    }
}

const platform::ProcessList& Installation::Processes() {
    const QByteArray root = qgetenv("QEL_IP_PROC_ROOT");
    if (root.isEmpty()) {
        return GatewayProcessList();
    }
    if (!procRoot) {
        procRoot = std::make_unique<platform::ProcProcessList>(root.toStdString(), "qel_ip_");
    }
    return *procRoot;
}

bool Installation::Runs(int market) {
    return qel_status_query(market, Processes(), log, GatewayAccount(table, market)) == 1;
}

int Unusable(const Installation& installation) {
    return installation.unreadable.empty() ? 0 : Fail(kUnknown, installation.unreadable);
}

std::string UnreadableInstallation(const Installation& installation) {
    return installation.unreadable;
}

int MarketCode(const std::string& text) {
    for (int code = 1; code <= kMarketCount; ++code) {
        if (text::EqualsIgnoreCase(text, MarketName(code)) || text == std::to_string(code)) {
            return code;
        }
    }
    return 0;
}

int InstalledMarket(const Installation& installation, const std::string& text) {
    const int code = MarketCode(text);
    if (code == 0) {
        Fail("unknown market " + text + " (CM, FO, WDM, IPO, CD, SLBM, MF or 1 to 7)");
        return 0;
    }
    if (!installation.table.IsInstalled(code)) {
        Fail(Fmt("market %s is not installed", MarketName(code)));
        return 0;
    }
    return code;
}

// A timer wakes the loop now and then, for conditions that hold after a quiet spell, and at
// the deadline.
bool RunUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    QTimer wake;
    wake.start(std::min(50, milliseconds));
    while (!done() && timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

bool RequestRestart(Installation& installation, int market, const LogSite& site,
                    const char* operation) {
    CRestartRequest request(site, operation, market, installation.Port(market), &installation.log);
    bool sent = false;
    bool notSent = false;
    std::string why;
    request.SetAfterSent([&] { sent = true; });
    request.SetNotSent([&](const std::string& reason) {
        notSent = true;
        why = reason;
    });
    request.Start();
    const char* const name = MarketName(market);
    const int port = installation.Port(market);
    if (!RunUntil([&] { return sent || notSent; }, g_connectMilliseconds)) {
        Fail(Fmt("the gateway of %s did not answer on port %d", name, port));
        return false;
    }
    if (notSent) {
        Fail(why.empty() ? Fmt("the gateway of %s refused the connection on port %d", name, port)
                         : Fmt("%s; it is not taken for the gateway of %s", why.c_str(), name));
        return false;
    }
    return true;
}

bool StartApplications(ActivityLog* log) {
    platform::ServiceControl services;
    if (!SignalStartApplications(services, log, log_sites::MainWindowStatus())) {
        Fail("Couldn't start QEL application");
        return false;
    }
    return true;
}

int ConfirmSeconds(const CommandLine& line) {
    if (!line.Has("confirm")) {
        return 0;
    }
    bool number = false;
    const int seconds = QString::fromStdString(line.Value("confirm")).toInt(&number);
    if (!number || seconds < 1 || seconds > 3600) {
        line.Usage("--confirm takes a number of seconds from 1 to 3600, not " +
                   line.Value("confirm"));
        return -1;
    }
    if (line.Has("no-restart") || line.Has("dry-run")) {
        line.Usage("--confirm restarts the gateway: it does not go with --no-restart or --dry-run");
        return -1;
    }
    return seconds;
}

int ConfirmSave(Installation& installation, int market,
                const std::vector<std::pair<std::string, std::string>>& before, int seconds,
                const LogSite& site, const char* operation, const std::function<int()>& afterSave) {
    ConfirmedSave::Actions actions;
    actions.runs = [&] { return installation.Runs(market); };
    actions.restart = [&] { RequestRestart(installation, market, site, operation); };
    actions.startApplications = [&] { StartApplications(&installation.log); };
    ConfirmedSave confirm(market,
                          static_cast<std::uint16_t>(
                              installation.Market(market).interface_thread_non_interactive_port),
                          before, seconds, &installation.log, site, operation, actions);
    int status = 0;
    bool finished = false;
    ConfirmedSave::Outcome outcome = ConfirmedSave::Outcome::kConfirmed;
    std::string text;
    confirm.Start([&] { status = afterSave(); },
                  [&](ConfirmedSave::Outcome result, const std::string& said) {
                      outcome = result;
                      text = said;
                      finished = true;
                  });
    // The save's wait, the rollback's wait, and the restarts between them.
    RunUntil([&] { return finished; }, (2 * seconds + 2) * 1000 + 4 * g_connectMilliseconds);
    if (!finished) {
        return Fail(kPartly, "saved, but whether the gateway runs again is not known");
    }
    Report("confirmed", outcome == ConfirmedSave::Outcome::kConfirmed);
    Report("rolled_back", outcome == ConfirmedSave::Outcome::kRolledBack ||
                              outcome == ConfirmedSave::Outcome::kRolledBackNotBack);
    switch (outcome) {
        case ConfirmedSave::Outcome::kConfirmed:
            std::printf("%s\n", text.c_str());
            return status;
        case ConfirmedSave::Outcome::kRollbackFailed:
            return Fail(kPartly, text);
        default:
            return Fail(kRolledBack, text);
    }
}

}  // namespace cli
