// zevo-cli: the console's checks and changes for scripts and monitoring systems, on the plain
// libraries (no widgets). Each action writes the lines the console's own action writes, under
// the same source file and operation, so the activity log shows who changed what.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Settings.h"
#include "base/Text.h"
#include "base/Version.h"
#include "cli/CliHelp.h"
#include "config/FixSessionFile.h"
#include "config/GatewayConfigFile.h"
#include "config/KeyValueFile.h"
#include "core/ApplicationStart.h"
#include "core/GatewayProcess.h"
#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "link/ActiveUsersRequests.h"
#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/RestartRequest.h"
#include "link/ZEVOHelper.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/ServiceControl.h"
#include "platform/SettingsStore.h"

namespace {

// Exit codes, as monitoring plug-ins give them.
constexpr int kUsage = 64;
constexpr int kFailed = 1;      // WARNING, or refused with the file untouched
constexpr int kNotRunning = 2;  // CRITICAL: an installed gateway is down
constexpr int kUnknown = 3;     // the installation or the process table cannot be read
constexpr int kPartly = 4;      // saved, but what follows the save (FIX file, restart) failed
constexpr int kValueSize = 1024;
// How long a command waits for a gateway (--timeout SECONDS).
int g_connectMilliseconds = 5000;
// The gateway answers the users request at once; the list is whole when it stays quiet.
constexpr int kQuietMilliseconds = 300;

// The sites of the console's windows whose lines the commands write.
const LogSite& kConfigurationSite = GatewayConfigurationSite();
const LogSite kActiveUsersSite{"GenericActiveUsersList.cpp", 0, "CGenericActiveUsersList"};
const LogSite kMainWindowSite{"GatewayStatus.cpp", 0, "CZEVOClientPHASE4Dlg"};

// Boxes the shared code would show go to standard error.
class PrintedBoxes final : public platform::MessageBoxSeam {
  public:
    int Show(const platform::MessageBoxRequest& box) override {
        std::fprintf(stderr, "zevo-cli: %s: %s\n", box.caption.c_str(), box.text.c_str());
        return platform::IDOK;
    }
};

// A display text as a machine word: lower case, blanks as '_', no closing full stop
// ("Logged Off." -> "logged_off").
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

bool HasOption(const std::vector<std::string>& args, const char* option) {
    return std::find(args.begin(), args.end(), option) != args.end();
}

bool AsksForHelp(const std::vector<std::string>& args) {
    return HasOption(args, "--help") || HasOption(args, "-h");
}

int Usage(const char* help) {
    std::fputs(help, stderr);
    return kUsage;
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "zevo-cli: %s\n", text.c_str());
    return kFailed;
}

// The installation as the console reads it at start. A command that only looks writes no
// activity-log line (and so never touches the console's log files); one that changes
// something writes the window's lines for it.
struct Installation {
    explicit Installation(bool writesLog = true)
        : logFile(writesLog ? std::make_unique<ActivityLog>()
                            : std::make_unique<ActivityLog>(ActivityLog::NoFile{})),
          log(*logFile) {
        GetNumberOfMarkets(table, platform::DefaultSettingsStore(), log);
        InitTypesOfMarketsConfigFilePathsAndPorts(table, platform::DefaultSettingsStore(), log,
                                                  nullptr);
    }
    // QEL_IP_PROC_ROOT names another process table than /proc (a container's, or a test's).
    const platform::ProcessList& Processes() {
        const QByteArray root = qgetenv("QEL_IP_PROC_ROOT");
        if (root.isEmpty()) {
            return GatewayProcessList();
        }
        if (!procRoot) {
            procRoot = std::make_unique<platform::ProcProcessList>(root.toStdString(), "qel_ip_");
        }
        return *procRoot;
    }
    bool Runs(int market) { return qel_status_query(market, Processes(), log) == 1; }

    std::unique_ptr<ActivityLog> logFile;
    ActivityLog& log;
    InstalledMarkets table;
    std::unique_ptr<platform::ProcProcessList> procRoot;
};

// A market's code from its name or number; 0 when it is neither.
int MarketCode(const std::string& text) {
    for (int code = 1; code <= kMarketCount; ++code) {
        if (text::EqualsIgnoreCase(text, MarketName(code)) || text == std::to_string(code)) {
            return code;
        }
    }
    return 0;
}

// The installed market named by `text`, or 0 after saying why not.
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

// Runs the event loop until `done` holds or `milliseconds` pass; returns `done()`. Between
// events it sleeps; a timer wakes it now and then, for conditions that hold after a quiet
// spell, and at the deadline.
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

int Status(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(cli_help::kStatus, stdout);
        return 0;
    }
    const bool json = HasOption(args, "--json");
    if (args.size() != (json ? 1u : 0u) + (HasOption(args, "--no-header") ? 1u : 0u)) {
        return Usage(cli_help::kStatus);
    }
    const platform::SettingsStore& store = platform::DefaultSettingsStore();
    if (!store.OpenKey(settings::kRoot)) {
        std::fprintf(stderr, "zevo-cli: the installation cannot be read: no settings in %s\n",
                     platform::DefaultSettingsStorePath().c_str());
        return kUnknown;
    }
    Installation installation(false);
    if (installation.table.number_of_markets <= 0) {
        std::fprintf(stderr, "zevo-cli: the installation cannot be read: no market in %s\n",
                     platform::DefaultSettingsStorePath().c_str());
        return kUnknown;
    }
    const platform::ProcessSnapshot processes(installation.Processes());  // one look for all
    if (!processes.Taken()) {
        std::fprintf(stderr, "zevo-cli: the process table cannot be read: %s\n",
                     std::strerror(static_cast<int>(processes.Error())));
        return kUnknown;
    }
    bool allRun = true;
    QJsonArray rows;
    const bool header = !HasOption(args, "--no-header");
    if (!json && header) {
        std::printf("%-8s %-12s %s\n", "MARKET", "GATEWAY", "VERSION");
    }
    for (int code = 1; code <= kMarketCount; ++code) {
        if (!installation.table.IsInstalled(code)) {
            continue;
        }
        const bool runs = qel_status_query(code, processes, installation.log) == 1;
        allRun = allRun && runs;
        std::string version;
        if (auto key = store.OpenKey(Fmt("%s\\%d", settings::kRoot, code))) {
            platform::QueryString(*key, settings::kVersion, settings::kVersionLimit, &version);
        }
        const char* state = runs ? "running" : "not_running";
        if (json) {
            rows.append(QJsonObject{{"market", MarketName(code)},
                                    {"code", code},
                                    {"running", runs},
                                    {"state", state},
                                    {"version", QString::fromUtf8(version.c_str())}});
        } else {
            std::replace(version.begin(), version.end(), ' ', '_');  // a field without blanks
            std::printf("%-8s %-12s %s\n", MarketName(code), state,
                        version.empty() ? "-" : version.c_str());
        }
    }
    if (json) {
        PrintJson(QJsonObject{{"markets", rows}, {"all_running", allRun}});
    }
    return allRun ? 0 : kNotRunning;
}

// The Active Users list's session, without the list.
class UsersQuery final : public CMessageSink {
  public:
    UsersQuery(int market, ActivityLog* log) : m_market(market), m_log(log), m_session(log) {
        m_session.SetMessageSink(this, market);
        m_session.SetConnectFailedHandler([this] { refused = lost = true; });
    }
    int RouteMessage(const unsigned char* message, std::uint16_t code) override {
        if (code == kUserInformationResponse) {
            users.push_back(DecodeUserInformation(message, m_market));
        } else if (code == kBoxInformationResponse) {
            box = DecodeBoxInformation(message);
            hasBox = true;
        }
        lastMessage.restart();
        return 0;
    }
    void OnConnectionEstablished() override {
        connected = true;
        lastMessage.start();
        SendActiveUsersRequests(m_session, m_market, m_log, kActiveUsersSite,
                                "OnButtonActiveUsersListRefresh");
    }
    void OnConnectionLost() override { lost = true; }

    CZEVOHelper& Session() { return m_session; }

    bool connected = false;
    bool lost = false;
    bool refused = false;  // nothing listens: said at once, without waiting
    bool hasBox = false;
    BoxInformation box{};
    std::vector<UserInformation> users;
    QElapsedTimer lastMessage;

  private:
    int m_market;
    ActivityLog* m_log;
    CZEVOHelper m_session;
};

int Users(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(cli_help::kUsers, stdout);
        return 0;
    }
    const bool json = HasOption(args, "--json");
    std::vector<std::string> names;
    for (const std::string& arg : args) {
        if (arg != "--json" && arg != "--no-header") {
            names.push_back(arg);
        }
    }
    if (names.size() != 1) {
        return Usage(cli_help::kUsers);
    }
    const std::string& name = names.front();
    Installation installation(false);
    const int market = InstalledMarket(installation, name);
    if (market == 0) {
        return kFailed;
    }
    ActivityLog* log = &installation.log;
    const int port = installation.table.markets[market - 1].interface_thread_interactive_port;
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "CGenericActiveUsersList",
          Fmt("Market type for dialog is %d - %s", market, MarketName(market)));
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "CGenericActiveUsersList",
          "INTERFACE_THREAD_INTERACTIVE_IP is 127.0.0.1");
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "CGenericActiveUsersList",
          Fmt("Port no. is %d", port));
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "OnInitDialog", "Initializing dialog");
    UsersQuery query(market, log);
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "OnInitDialog",
          Fmt("Attempting to connect...for market %s", MarketName(market)));
    query.Session().EstablishConnection("127.0.0.1", std::to_string(port));
    const bool answered =
        RunUntil([&] { return query.connected || query.lost; }, g_connectMilliseconds) &&
        RunUntil(
            [&] {
                return query.lost ||
                       (query.hasBox && query.lastMessage.elapsed() >= kQuietMilliseconds);
            },
            g_connectMilliseconds);
    LogAt(log, LogLevel::Activity, kActiveUsersSite, "PostNcDestroy",
          Fmt("Attempting to close connection...for market %s", MarketName(market)));
    query.Session().Transport().CloseConnection();
    if (query.refused) {
        return Fail(
            Fmt("the gateway of %s refused the connection on port %d", MarketName(market), port));
    }
    if (!answered || !query.hasBox) {
        return Fail(Fmt("the gateway of %s did not answer on port %d", MarketName(market), port));
    }
    std::sort(
        query.users.begin(), query.users.end(),
        [](const UserInformation& a, const UserInformation& b) { return a.userId < b.userId; });
    if (json) {
        QJsonArray users;
        for (const UserInformation& user : query.users) {
            users.append(QJsonObject{
                {"user_id", static_cast<qint64>(user.userId)},
                {"state", QString::fromStdString(MachineWord(LoginStateText(user.state)))},
                {"status", LoginStateText(user.state)}});
        }
        PrintJson(QJsonObject{
            {"market", MarketName(market)},
            {"box_id", query.box.boxId},
            {"box_state", QString::fromStdString(MachineWord(LoginStateText(query.box.state)))},
            {"box_status", LoginStateText(query.box.state)},
            {"users", users}});
        return 0;
    }
    // One record a line: the box, then each user.
    if (!HasOption(args, "--no-header")) {
        std::printf("%-6s %-12s %s\n", "RECORD", "ID", "STATE");
    }
    std::printf("%-6s %-12d %s\n", "box", query.box.boxId,
                MachineWord(LoginStateText(query.box.state)).c_str());
    for (const UserInformation& user : query.users) {
        std::printf("%-6s %-12ld %s\n", "user", user.userId,
                    MachineWord(LoginStateText(user.state)).c_str());
    }
    return 0;
}

// The main window's Start Applications, with its lines; false when the service did not take
// the control.
bool StartApplications(ActivityLog* log) {
    platform::ServiceControl services;
    if (!SignalStartApplications(services, log, kMainWindowSite)) {
        Fail("Couldn't start QEL application");
        return false;
    }
    return true;
}

int Start(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(cli_help::kStart, stdout);
        return 0;
    }
    if (!args.empty()) {
        return Usage(cli_help::kStart);
    }
    ActivityLog log;
    return StartApplications(&log) ? 0 : kFailed;
}

// The configuration dialog's restart request; true once it was sent.
bool RequestRestart(Installation& installation, int market) {
    const int port = installation.table.markets[market - 1].interface_thread_interactive_port;
    CRestartRequest request(kConfigurationSite, "kill_qel_exe", market,
                            static_cast<std::uint16_t>(port), &installation.log);
    bool sent = false;
    request.SetAfterSent([&] { sent = true; });
    request.Start();
    if (!RunUntil([&] { return sent; }, g_connectMilliseconds)) {
        Fail(Fmt("the gateway of %s did not answer on port %d", MarketName(market), port));
        return false;
    }
    return true;
}

int Restart(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(cli_help::kRestart, stdout);
        return 0;
    }
    if (args.size() != 1) {
        return Usage(cli_help::kRestart);
    }
    Installation installation;
    const int market = InstalledMarket(installation, args[0]);
    if (market == 0) {
        return kFailed;
    }
    if (!RequestRestart(installation, market)) {
        return kFailed;
    }
    std::printf("Restart request sent to the gateway of %s.\n", MarketName(market));
    return 0;
}

bool IsDottedAddress(const std::string& text) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        if (part.empty() || part.size() > 3 ||
            part.find_first_not_of("0123456789") != std::string::npos || std::stoi(part) > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            return parts == 4;
        }
        start = dot + 1;
    }
}

// Takes KEY=VALUE into the values as the dialog's controls would hold it; false (after
// saying why) for a key the dialog does not change or a value its controls cannot hold.
bool TakeSetting(const std::string& setting, GatewayConfigValues* v) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
        Fail("expected KEY=VALUE, not " + setting);
        return false;
    }
    const std::string key = setting.substr(0, equals), value = setting.substr(equals + 1);
    const std::map<std::string, std::string*> addresses = {{"MACHINE_LAN_IP", &v->localIp},
                                                           {"MACHINE_WAN_IP", &v->wanIp},
                                                           {"PRIMARY_HOST_IP", &v->hostIp}};
    const std::map<std::string, std::string*> numbers = {{"HOST_PORT_NUMBER", &v->hostPort},
                                                         {"BOX_ID", &v->boxId}};
    if (auto it = addresses.find(key); it != addresses.end()) {
        if (!value.empty() && !IsDottedAddress(value)) {
            Fail(key + " takes an address a.b.c.d with numbers 0 to 255, not " + value);
            return false;
        }
        *it->second = value;
    } else if (auto it = numbers.find(key); it != numbers.end()) {
        // Any number of digits, as the dialog's field takes them; the rules judge the value.
        if (value.find_first_not_of("0123456789") != std::string::npos) {
            Fail(key + " takes digits only, not " + value);
            return false;
        }
        *it->second = value;
    } else if (key == "BROKER_ID") {
        const bool alphanumeric = std::all_of(value.begin(), value.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c));
        });
        if (!alphanumeric || value.size() > 5) {
            Fail("BROKER_ID takes up to 5 letters and digits, not " + value);
            return false;
        }
        v->brokerId = value;
    } else if (key == "CURRENT_CONFIG") {
        if (!text::EqualsIgnoreCase(value, "PRIMARY") && !text::EqualsIgnoreCase(value, "BCP")) {
            Fail("CURRENT_CONFIG takes PRIMARY or BCP, not " + value);
            return false;
        }
        v->radioPrimary = text::EqualsIgnoreCase(value, "BCP") ? 1 : 0;
    } else {
        Fail("the configuration dialog does not change " + key +
             " (MACHINE_LAN_IP, MACHINE_WAN_IP, PRIMARY_HOST_IP, HOST_PORT_NUMBER, BOX_ID, "
             "BROKER_ID, CURRENT_CONFIG)");
        return false;
    }
    return true;
}

// What `config set` does besides the save: --dry-run shows what would change and touches
// nothing; --no-restart leaves a running gateway and the service alone.
struct SetOptions {
    bool dryRun = false;
    bool noRestart = false;
};

int ConfigSet(Installation& installation, int market, const std::vector<std::string>& settings,
              const SetOptions& options) {
    ActivityLog* log = &installation.log;
    const MarketSettings& paths = installation.table.markets[market - 1];
    GatewayConfigRead read;
    if (!ReadGatewayConfiguration(paths.config_file_path, log, &read)) {
        return Fail("QEL Setup Error.");
    }
    GatewayConfigValues form = ShownValues(read);
    for (const std::string& setting : settings) {
        if (!TakeSetting(setting, &form)) {
            return kFailed;
        }
    }
    const std::vector<GatewayChange> changes = GatewayChangesToSave(read, form);
    if (changes.empty()) {
        // As the dialog's Save stays disabled: nothing is written and nothing restarted.
        std::printf("Nothing to change in %s.\n", paths.config_file_path.c_str());
        return 0;
    }
    if (options.dryRun) {
        // The installation's log writes nothing for a dry run.
        const GatewayConfigRuleBreak broken = CheckGatewayConfiguration(form, market, log);
        if (broken.field != GatewayConfigField::None) {
            std::fprintf(stderr, "%s\n", broken.box.c_str());
            return kFailed;
        }
        for (const GatewayChange& change : changes) {
            std::printf("%s: %s -> %s\n", change.key.c_str(), change.from.c_str(),
                        change.to.c_str());
        }
        return 0;
    }
    GatewayConfigTarget target;
    target.market = market;
    target.configPath = paths.config_file_path;
    target.fixConfigPath = paths.fix_config_file_path;
    target.interactivePort = static_cast<std::uint16_t>(paths.interface_thread_interactive_port);
    target.fixEnabled = fix_enabled[market - 1] == 1;
    const GatewaySaveResult saved = SaveGatewayConfiguration(target, read, form, log);
    if (saved.outcome == GatewaySaveResult::Invalid) {
        std::fprintf(stderr, "%s\n", saved.broken.box.c_str());
        return kFailed;
    }
    if (saved.outcome != GatewaySaveResult::Saved) {
        return Fail("QEL Setup Error. " + saved.error);
    }
    // From here on the file is saved: a failure of what follows is a partial success.
    int status = 0;
    if (saved.fixFileUpdated && !saved.fixFileWritten) {
        std::fprintf(stderr, "zevo-cli: saved, but the FIX file %s was not updated\n",
                     paths.fix_config_file_path.c_str());
        status = kPartly;
    }
    std::string text = "Parameter(s) updated successfully in QEL configuration file.";
    if (options.noRestart) {
        std::printf("%s\n", text.c_str());
        return status;
    }
    if (installation.Runs(market)) {
        text += " QEL will restart to take changes into effect.";
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        if (!RequestRestart(installation, market)) {
            std::fprintf(stderr, "zevo-cli: saved, but the gateway was not restarted\n");
            status = kPartly;
        }
    } else {
        std::printf("%s\n", text.c_str());
    }
    if (!StartApplications(log)) {
        std::fprintf(stderr, "zevo-cli: saved, but the applications were not started\n");
        status = kPartly;
    }
    return status;
}

int Config(const std::vector<std::string>& args) {
    if (AsksForHelp(args)) {
        std::fputs(cli_help::kConfig, stdout);
        return 0;
    }
    if (args.size() < 3 || (args[0] != "get" && args[0] != "set") ||
        (args[0] == "get" && args.size() != 3)) {
        return Usage(cli_help::kConfig);
    }
    SetOptions options;
    std::vector<std::string> settings;
    for (auto it = args.begin() + 2; it != args.end(); ++it) {
        if (*it == "--dry-run") {
            options.dryRun = true;
        } else if (*it == "--no-restart") {
            options.noRestart = true;
        } else {
            settings.push_back(*it);
        }
    }
    // Only a set that may write keeps a log of its own; a look writes none.
    Installation installation(args[0] == "set" && !options.dryRun);
    const int market = InstalledMarket(installation, args[1]);
    if (market == 0) {
        return kFailed;
    }
    if (args[0] == "set") {
        return ConfigSet(installation, market, settings, options);
    }
    const std::string& path = installation.table.markets[market - 1].config_file_path;
    LogAt(&installation.log, LogLevel::Activity, kConfigurationSite,
          "read_configuration_parameters",
          Fmt("Reading QEL config parameters from file %s", path.c_str()));
    char buffer[kValueSize] = {0};
    const int result = get_string_parameter(path.c_str(), args[2].c_str(), buffer, kValueSize);
    if (result == 300) {
        LogAt(&installation.log, LogLevel::Event, kConfigurationSite,
              "read_configuration_parameters", "ZEVO could not open QEL config file");
        return Fail("QEL Setup Error.");
    }
    if (result != 0) {
        LogAt(&installation.log, LogLevel::Event, kConfigurationSite,
              "read_configuration_parameters",
              Fmt("Cannot read %s from config file.", args[2].c_str()));
        return Fail(Fmt("%s is not in %s", args[2].c_str(), path.c_str()));
    }
    std::printf("%s\n", buffer);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PrintedBoxes boxes;
    platform::InstallMessageBoxSeam(&boxes);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage(cli_help::kProgram);
    }
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == "--timeout") {
            const int seconds = std::next(it) != args.end() ? std::atoi(std::next(it)->c_str()) : 0;
            if (seconds <= 0) {
                std::fprintf(stderr, "zevo-cli: --timeout takes a number of seconds\n");
                return kUsage;
            }
            g_connectMilliseconds = seconds * 1000;
            args.erase(it, it + 2);
            break;
        }
    }
    if (args.empty()) {
        return Usage(cli_help::kProgram);
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        std::fputs(cli_help::kProgram, stdout);
        return 0;
    }
    if (command == "--version" || command == "-v") {
        std::puts("zevo-cli " ZEVO_VERSION);
        return 0;
    }
    static const std::map<std::string, int (*)(const std::vector<std::string>&)> kCommands = {
        {"status", Status},
        {"users", Users},
        {"start", Start},
        {"restart", Restart},
        {"config", Config}};
    const auto found = kCommands.find(command);
    if (found == kCommands.end()) {
        std::fprintf(stderr, "zevo-cli: unknown command %s\n", command.c_str());
        return Usage(cli_help::kProgram);
    }
    const int status = found->second(args);
    platform::InstallMessageBoxSeam(nullptr);
    return status;
}
