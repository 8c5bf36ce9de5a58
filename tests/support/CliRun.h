#pragma once

#include <QProcess>
#include <string>

#include "InstallationLayout.h"
#include "support/TestSupport.h"

namespace testing_support {

struct CliResult {
    int status = -1;  // -1: it had not ended after 30 seconds
    std::string out;
    std::string err;
};

// `program` run to its end with `arguments`, `environment` (the process's own when empty) and
// `input` on its standard input.
inline CliResult RunProgram(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment = {},
                            const std::string& input = {}) {
    QProcess process;
    if (!environment.isEmpty()) {
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

// zevo-cli run with `arguments` over `layout`'s settings, reaching the service through
// `serviceDir` and seeing the processes under `procRoot` (the machine's when it is empty).
// For the test programs given ZEVO_CLI_PATH.
inline CliResult RunCli(const InstallationLayout& layout, const QStringList& arguments,
                        const std::string& serviceDir, const std::string& procRoot = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QEL_IP_REGISTRY", QString::fromStdString(layout.RegistryPath()));
    environment.insert("QEL_IP_SERVICE_DIR", QString::fromStdString(serviceDir));
    if (!procRoot.empty()) {
        environment.insert("QEL_IP_PROC_ROOT", QString::fromStdString(procRoot));
    }
    return RunProgram(ZEVO_CLI_PATH, arguments, environment);
}

}  // namespace testing_support
