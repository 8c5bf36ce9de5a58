#include "app/GatewayStatus.h"

#include <strings.h>

#include <QWidget>
#include <string>
#include <vector>

#include "core/ApplicationStart.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/ProcessList.h"
#include "platform/ServiceControl.h"

void StartApplications(platform::ServiceControl& services, ActivityLog& log, QWidget* owner) {
    if (!SignalStartApplications(services, &log, ZEVO_LOG_SITE("CZEVOClientPHASE4Dlg"))) {
        platform::ShowMessageBox(owner, "Couldn't start QEL application", "Error", platform::MB_OK);
    }
}
