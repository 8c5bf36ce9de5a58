#include "app/GatewayStatus.h"

#include <strings.h>

#include <QWidget>
#include <string>
#include <vector>

#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/ServiceControl.h"

void StartApplications(platform::ServiceControl& services, ActivityLog& log, QWidget* owner) {
    static const char* const op = "CZEVOClientPHASE4Dlg::StartApplications";
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
        ZEVO_LOG_SYSTEM_ERROR(&log, op, FmtN(kTextBufferSize, failure, services.LastError()));
        platform::ShowMessageBox(owner, "Couldn't start QEL application", "Error", platform::MB_OK);
    }
}
