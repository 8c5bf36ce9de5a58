// A simulated QEL gateway instance. Run it under the name qel_ip_<market>.exe (a symlink
// does) so the console's process check sees it; the market is then taken from that name.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "GatewayPeer.h"
#include "SignalExit.h"
#include "base/Settings.h"
#include "base/Text.h"
#include "config/KeyValueFile.h"
#include "core/MarketType.h"
#include "platform/SettingsStore.h"

namespace {

// Versions this simulator reports by default: each market's accepted one, FO with the
// release that carries 32-bit user IDs.
const int kDefaultVersions[] = {10101, 40902, 30903, 30904, 10105, 30906, 30107};

int MarketCode(QString name) {
    name = name.toLower();
    if (name.startsWith("qel_ip_") && name.endsWith(".exe")) {
        name = name.mid(7, name.size() - 11);
    }
    for (int code = CM; code <= MF; ++code) {
        if (name == MarketLowerName(code)) {
            return code;
        }
    }
    return 0;
}

// Ports of the market from the settings-store file, when not given on the command line.
bool PortsFromSettings(int market, int* logPort, int* interactivePort) {
    auto key = platform::DefaultSettingsStore().OpenKey(std::string(settings::kRoot) + "\\" +
                                                        std::to_string(market));
    std::int32_t a = 0, b = 0;
    if (!key || !platform::QueryDword(*key, "INTERFACE_THREAD_NON_INTERACTIVE_PORT", &a) ||
        !platform::QueryDword(*key, "INTERFACE_THREAD_INTERACTIVE_PORT", &b)) {
        return false;
    }
    *logPort = a;
    *interactivePort = b;
    return true;
}

// Reads the gateway configuration file named in the settings store, as a gateway does at
// start, and says what it will use: a saved change shows here after the restart. False when a
// value is there but cannot be used (a port that is no port): the gateway does not start.
bool ReportConfiguration(int market) {
    auto key = platform::DefaultSettingsStore().OpenKey(std::string(settings::kRoot) + "\\" +
                                                        std::to_string(market));
    std::string path;
    if (!key || !platform::QueryString(*key, "CONFIG_FILE_PATH", 1024, &path)) {
        return true;
    }
    auto value = [&path](const char* name) {
        char buffer[1024] = "";
        return get_string_parameter(path.c_str(), name, buffer, sizeof buffer) == 0
                   ? std::string(buffer)
                   : std::string("?");
    };
    const bool bcp = text::EqualsIgnoreCase(value("CURRENT_CONFIG"), "BCP");
    std::fprintf(
        stderr,
        "qel_gateway[%d]: configuration %s: trading host %s:%s (%s), box %s, broker %s, local %s\n",
        market, path.c_str(), value(bcp ? "BCP_HOST_IP" : "PRIMARY_HOST_IP").c_str(),
        value("HOST_PORT_NUMBER").c_str(), bcp ? "BCP" : "PRIMARY", value("BOX_ID").c_str(),
        value("BROKER_ID").c_str(), value("MACHINE_LAN_IP").c_str());
    const std::string port = value("HOST_PORT_NUMBER");
    bool number = false;
    const int portNumber = QString::fromStdString(port).toInt(&number);
    if (port != "?" && (!number || portNumber < 1 || portNumber > 65535)) {
        std::fprintf(stderr, "qel_gateway[%d]: HOST_PORT_NUMBER=%s cannot be used: not starting\n",
                     market, port.c_str());
        return false;
    }
    return true;
}

// The FIX file of a FIX-enabled market, as the settings store names it, and whether the
// gateway configuration asks for FIX logging ("N" turns it off; anything else leaves it on).
void FixFromSettings(int market, GatewayPeer::Options* options) {
    auto key = platform::DefaultSettingsStore().OpenKey(std::string(settings::kRoot) + "\\" +
                                                        std::to_string(market));
    std::string config;
    if (!key || !platform::QueryString(*key, "FIX_CONFIG_FILE_PATH", 1024, &options->fixFile)) {
        return;
    }
    char logging[8] = "";
    options->fixLogging =
        !platform::QueryString(*key, "CONFIG_FILE_PATH", 1024, &config) ||
        get_string_parameter(config.c_str(), "FIX_LOGGING", logging, sizeof logging) != 0 ||
        !text::EqualsIgnoreCase(logging, "N");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated QEL gateway instance. Exits with 75 after a restart request, so the QEL_IP "
        "service simulator starts it again.");
    parser.addHelpOption();
    parser.addOption({"market",
                      "Market (CM, FO, WDM, IPO, CD, SLBM, MF); default from the program name.",
                      "name"});
    parser.addOption(
        {"log-port", "Non-interactive port (default: from the settings store).", "port"});
    parser.addOption(
        {"interactive-port", "Interactive port (default: from the settings store).", "port"});
    parser.addOption({"gateway-version", "Version to report (release * 100 + market).", "n"});
    parser.addOption(
        {"rate", "Log messages per second in lively mode (any rate, kept on average).", "n", "2"});
    parser.addOption({"users", "Number of connected users to report.", "n", "5"});
    parser.addOption({"preload",
                      "Log messages sent in bulk, as fast as the console takes them, to each "
                      "console that connects, after the version.",
                      "n", "0"});
    parser.addOption(
        {"preload-delay", "Seconds between a console's connection and the bulk.", "s", "0"});
    parser.addOption({"script",
                      "Send these writes (hex per line, 'version') instead of lively messages.",
                      "file"});
    parser.process(app);

    GatewayPeer::Options options;
    options.market =
        MarketCode(parser.isSet("market") ? parser.value("market")
                                          : QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    if (options.market == 0) {
        std::fprintf(stderr,
                     "qel_gateway: no market: use --market or run as qel_ip_<market>.exe\n");
        return 2;
    }
    options.version = parser.isSet("gateway-version") ? parser.value("gateway-version").toInt()
                                                      : kDefaultVersions[options.market - 1];
    options.rate = parser.value("rate").toDouble();
    options.users = std::max(0, parser.value("users").toInt());
    options.preload = std::max<qint64>(0, parser.value("preload").toLongLong());
    options.preloadDelayMs = std::max(0, parser.value("preload-delay").toInt() * 1000);
    if (!PortsFromSettings(options.market, &options.nonInteractivePort, &options.interactivePort) &&
        !(parser.isSet("log-port") && parser.isSet("interactive-port"))) {
        std::fprintf(
            stderr,
            "qel_gateway: no ports in %s for market %d; give --log-port and --interactive-port\n",
            platform::DefaultSettingsStorePath().c_str(), options.market);
        return 2;
    }
    if (parser.isSet("log-port")) {
        options.nonInteractivePort = parser.value("log-port").toInt();
    }
    if (parser.isSet("interactive-port")) {
        options.interactivePort = parser.value("interactive-port").toInt();
    }
    if (parser.isSet("script")) {
        QFile file(parser.value("script"));
        QString error;
        if (!file.open(QIODevice::ReadOnly) ||
            !ParseScript(QString::fromLatin1(file.readAll()), options.version, &options.script,
                         &error)) {
            std::fprintf(stderr, "qel_gateway: script %s: %s\n", qPrintable(file.fileName()),
                         qPrintable(error.isEmpty() ? file.errorString() : error));
            return 2;
        }
    }
    QuitOnTerminationSignals();
    if (!ReportConfiguration(options.market)) {
        return 3;
    }
    FixFromSettings(options.market, &options);
    GatewayPeer peer(options);
    QString error;
    if (!peer.Listen(&error)) {
        std::fprintf(stderr, "qel_gateway: cannot listen: %s\n", qPrintable(error));
        return 1;
    }
    return app.exec();
}
