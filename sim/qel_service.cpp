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
    parser.process(app);

    ServicePeer::Options options;
    options.serviceDir = parser.isSet("service-dir")
                             ? parser.value("service-dir")
                             : QString::fromStdString(platform::ServiceControl::DefaultDirectory());
    options.gatewayProgram = QDir(parser.value("gateway")).absolutePath();
    options.instanceDir =
        parser.isSet("instance-dir") ? parser.value("instance-dir") : options.serviceDir + "/bin";
    options.gatewayArguments = parser.value("gateway-args").split(' ', Qt::SkipEmptyParts);

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
