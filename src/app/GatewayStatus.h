#pragma once

class ActivityLog;
namespace platform {
class ServiceControl;
}
class QWidget;

// Asks the QEL_IP service to start the gateway applications (control code 130). A failure is
// logged at the failing step and shown as "Couldn't start QEL application"; success is silent.
void StartApplications(platform::ServiceControl& services, ActivityLog& log, QWidget* owner);
