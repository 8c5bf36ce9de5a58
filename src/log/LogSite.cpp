#include "log/LogSite.h"

void LogAt(ActivityLog* log, LogLevel level, const LogSite& site, const char* name,
           const std::string& text) {
    if (!log) {
        return;
    }
    const std::string operation = site.Operation(name);
    const char* file = site.file.c_str();
    switch (level) {
        case LogLevel::Activity:
            log->LogActivity(text.c_str(), operation.c_str(), file, site.line);
            break;
        case LogLevel::Event:
            log->LogEvent(text.c_str(), operation.c_str(), file, site.line);
            break;
        case LogLevel::BusinessError:
            log->LogBusinessError(text.c_str(), operation.c_str(), file, site.line);
            break;
        case LogLevel::SystemError:
            log->LogSystemError(text.c_str(), operation.c_str(), file, site.line);
            break;
        case LogLevel::Detail:
            log->LogDetail(text.c_str(), operation.c_str(), file, site.line);
            break;
    }
}

namespace log_sites {

const LogSite& GatewayConfiguration() {
    static const LogSite site{"GenericConfiguration.cpp", 0, "CGenericConfiguration"};
    return site;
}

const LogSite& FixUsers() {
    static const LogSite site{"FixUserSessions.cpp", 0, "CFixUserSessions"};
    return site;
}

const LogSite& FixUserDetails() {
    static const LogSite site{"FixUserDetails.cpp", 0, "CFixUserDetails"};
    return site;
}

const LogSite& MainWindowStatus() {
    static const LogSite site{"GatewayStatus.cpp", 0, "CZEVOClientPHASE4Dlg"};
    return site;
}

const LogSite& ActiveUsers() {
    static const LogSite site{"GenericActiveUsersList.cpp", 0, "CGenericActiveUsersList"};
    return site;
}

std::vector<const LogSite*> All() {
    return {&GatewayConfiguration(), &FixUsers(), &FixUserDetails(), &MainWindowStatus(),
            &ActiveUsers()};
}

}  // namespace log_sites
