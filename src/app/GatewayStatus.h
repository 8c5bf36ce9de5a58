#pragma once

class ActivityLog;
namespace platform {
class ProcessList;
}

// 1 when a process runs under the market's gateway executable name "qel_ip_<market>.exe"
// (case ignored), 0 otherwise, for codes outside 1..7 and when the process list cannot be
// taken (logged).
int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log);

namespace platform {
class ServiceControl;
}
class QWidget;

// Asks the QEL_IP service to start the gateway applications (control code 130). A failure is
// logged at the failing step and shown as "Couldn't start QEL application"; success is silent.
void StartApplications(platform::ServiceControl& services, ActivityLog& log, QWidget* owner);
