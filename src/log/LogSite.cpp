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

namespace {

enum Site { kGatewayConfiguration, kFixUsers, kFixUserDetails, kMainWindowStatus, kActiveUsers };

// Built when first asked for, so a site is never read before it exists.
const std::vector<LogSite>& Table() {
    static const std::vector<LogSite> sites = {
        {"GenericConfiguration.cpp", 0, "CGenericConfiguration"},
        {"FixUserSessions.cpp", 0, "CFixUserSessions"},
        {"FixUserDetails.cpp", 0, "CFixUserDetails"},
        {"GatewayStatus.cpp", 0, "CZEVOClientPHASE4Dlg"},
        {"GenericActiveUsersList.cpp", 0, "CGenericActiveUsersList"},
    };
    return sites;
}

}  // namespace

const LogSite& GatewayConfiguration() {
    return Table()[kGatewayConfiguration];
}

const LogSite& FixUsers() {
    return Table()[kFixUsers];
}

const LogSite& FixUserDetails() {
    return Table()[kFixUserDetails];
}

const LogSite& MainWindowStatus() {
    return Table()[kMainWindowStatus];
}

const LogSite& ActiveUsers() {
    return Table()[kActiveUsers];
}

std::vector<const LogSite*> All() {
    std::vector<const LogSite*> all;
    for (const LogSite& site : Table()) {
        all.push_back(&site);
    }
    return all;
}

}  // namespace log_sites
