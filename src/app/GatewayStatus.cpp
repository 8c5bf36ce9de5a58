#include "app/GatewayStatus.h"

#include <strings.h>

#include <string>
#include <vector>

#include "app/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/ServiceControl.h"

int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log) {
    const std::string name =
        IsMarketCode(marketCode) ? Fmt("qel_ip_%s.exe", MarketLowerName(marketCode)) : std::string();
    std::vector<std::string> running;
    long error = 0;
    if (!processes.Snapshot(&running, &error)) {
        ZEVO_LOG_SYSTEM_ERROR(&log, "CZEVOClientPHASE4Dlg::qel_status_query",
                              Fmt("Error in CreateToolhelp32Snapshot(). Cannot retrieve snapshot for "
                                  "processes. Error [%ld]",
                                  error));
        return 0;
    }
    if (name.empty()) {
        return 0;
    }
    for (const std::string& process : running) {
        if (strcasecmp(process.c_str(), name.c_str()) == 0) {
            return 1;
        }
    }
    return 0;
}

void StartApplications(platform::ServiceControl& services, ActivityLog& log, QWidget* owner) {
    static const char* const op = "CZEVOClientPHASE4Dlg::StartApplications";
    const char* failure = nullptr;
    if (!services.OpenManager()) {
        failure = "Error in OpenSCManager(). Cannot access Service Control. Error [%ld]";
    } else if (!services.OpenService("QEL_IP")) {
        failure = "Error in OpenService(). Cannot access QEL Service. Error [%ld]";
    } else if (!services.Control(130)) {
        failure = "Error in ControlService(). Cannot send control signal to QEL serivce. Error [%ld]";
    }
    if (failure) {
        ZEVO_LOG_SYSTEM_ERROR(&log, op, FmtN(kTextBufferSize, failure, services.LastError()));
        platform::ShowMessageBox(owner, "Couldn't start QEL application", "Error", platform::MB_OK);
    }
}
