#include "core/GatewayProcess.h"

#include <string>
#include <vector>

#include "base/Text.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/ProcessList.h"

const platform::ProcessList& GatewayProcessList() {
    static const platform::ProcProcessList list("/proc", "qel_ip_");
    return list;
}

int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log) {
    const std::string name = IsMarketCode(marketCode)
                                 ? Fmt("qel_ip_%s.exe", MarketLowerName(marketCode))
                                 : std::string();
    std::vector<std::string> running;
    long error = 0;
    if (!processes.Snapshot(&running, &error)) {
        ZEVO_LOG_SYSTEM_ERROR(
            &log, "CZEVOClientPHASE4Dlg::qel_status_query",
            Fmt("Error in CreateToolhelp32Snapshot(). Cannot retrieve snapshot for "
                "processes. Error [%ld]",
                error));
        return 0;
    }
    if (name.empty()) {
        return 0;
    }
    for (const std::string& process : running) {
        if (text::EqualsIgnoreCase(process, name)) {
            return 1;
        }
    }
    return 0;
}
