#pragma once

#include "log/LogSite.h"

class ActivityLog;
namespace platform {
class ServiceControl;
}

// Asks the QEL_IP service to start the gateway applications (control code 130). A failure is
// logged at the step that failed, under `site` and the operation "StartApplications";
// returns whether the service took the control.
bool SignalStartApplications(platform::ServiceControl& services, ActivityLog* log,
                             const LogSite& site);
