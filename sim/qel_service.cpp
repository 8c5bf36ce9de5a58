// The simulated QEL_IP service: start it, then signal it with control code 130 (the
// console's Start Applications) to start the installed markets' gateway instances.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "ServicePeer.h"
#include "SignalExit.h"
#include "platform/ServiceControl.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated QEL_IP service. Listens on <service dir>/QEL_IP.sock; the request line "
        "'CONTROL 130' starts the gateway instances of the markets installed in the settings "
        "store (QEL_IP_REGISTRY) and is answered 'OK'.");
    parser.addHelpOption();
    parser.addOption({"service-dir",
                      "Service-control folder (default: QEL_IP_SERVICE_DIR or /run/qel_ip).",
                      "dir"});
    parser.addOption({"gateway", "The gateway simulator program.", "path",
                      QCoreApplication::applicationDirPath() + "/qel_gateway"});
    parser.addOption({"instance-dir",
                      "Where the qel_ip_<market>.exe links are made (default: <service dir>/bin).",
                      "dir"});
    parser.addOption({"start", "Start the gateways at once, as if signalled."});
    parser.addOption(
        {"gateway-args", "Extra arguments for every gateway, space separated.", "args"});
    parser.addOption({"market-args",
                      "Extra arguments for one market's gateway: <code>:<args>, e.g. '1:--rate "
                      "2000'; may be repeated.",
                      "code:args"});
    parser.addOption(
        {"restart-ended",
         "Start a gateway that ended without a restart request again after <ms> milliseconds.",
         "ms"});
    parser.process(app);

    ServicePeer::Options options;
    options.serviceDir = parser.isSet("service-dir")
                             ? parser.value("service-dir")
                             : QString::fromStdString(platform::ServiceControl::DefaultDirectory());
    options.gatewayProgram = QDir(parser.value("gateway")).absolutePath();
    options.instanceDir =
        parser.isSet("instance-dir") ? parser.value("instance-dir") : options.serviceDir + "/bin";
    options.gatewayArguments = parser.value("gateway-args").split(' ', Qt::SkipEmptyParts);
    for (const QString& value : parser.values("market-args")) {
        const int colon = value.indexOf(':');
        bool ok = false;
        const int market = value.left(colon).toInt(&ok);
        if (colon < 0 || !ok) {
            std::fprintf(stderr, "qel_service: --market-args wants <code>:<args>, not '%s'\n",
                         qPrintable(value));
            return 2;
        }
        options.marketArguments[market] += value.mid(colon + 1).split(' ', Qt::SkipEmptyParts);
    }
    if (parser.isSet("restart-ended")) {
        options.restartEndedAfterMs = parser.value("restart-ended").toInt();
    }

    QuitOnTerminationSignals();
    ServicePeer service(options);
    QString error;
    if (!service.Listen(&error)) {
        std::fprintf(stderr, "qel_service: cannot listen: %s\n", qPrintable(error));
        return 1;
    }
    if (parser.isSet("start")) {
        service.StartApplications();
    }
    int code = app.exec();
    service.StopAll();
    return code;
}
