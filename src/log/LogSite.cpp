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
