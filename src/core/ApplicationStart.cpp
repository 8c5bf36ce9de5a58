#include "core/ApplicationStart.h"

#include "log/Format.h"
#include "platform/ServiceControl.h"

bool SignalStartApplications(platform::ServiceControl& services, ActivityLog* log,
                             const LogSite& site) {
    const char* failure = nullptr;
    if (!services.OpenManager()) {
        failure = "Error in OpenSCManager(). Cannot access Service Control. Error [%ld]";
    } else if (!services.OpenService("QEL_IP")) {
        failure = "Error in OpenService(). Cannot access QEL Service. Error [%ld]";
    } else if (!services.Control(130)) {
        failure =
            "Error in ControlService(). Cannot send control signal to QEL serivce. Error [%ld]";
    }
    if (failure) {
        LogAt(log, LogLevel::SystemError, site, "StartApplications",
              FmtN(kTextBufferSize, failure, services.LastError()));
    }
    return failure == nullptr;
}
