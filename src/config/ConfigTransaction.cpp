#include "config/ConfigTransaction.h"

#include <cerrno>
#include <cstring>

#include "log/Format.h"
#include "platform/AtomicReplace.h"

ConfigTransaction::ConfigTransaction(const std::vector<std::string>& files, ActivityLog* log,
                                     const LogSite& site, const char* operation)
    : m_lock(files), m_log(log), m_site(site), m_operation(operation) {
    if (!m_lock.Held()) {
        Refuse(m_lock.Refusal());
        return;
    }
    for (const std::string& left : m_lock.RemovedTemporaries()) {
        LogAt(m_log, LogLevel::Detail, m_site, m_operation,
              Fmt("Removed %s, left by an interrupted save.", left.c_str()));
    }
}

void ConfigTransaction::Refuse(const std::string& text) {
    m_refusal = text + ": nothing was written";
    LogAt(m_log, LogLevel::Event, m_site, m_operation, m_refusal);
}

bool ConfigTransaction::MayReplace(const std::string& file, bool mustBeWritable,
                                   const std::string& recoverable) {
    const platform::ReplaceResult check = platform::CheckReplace(file);
    using Step = platform::ReplaceStep;
    if (check.failed_step == Step::HardLinked || check.failed_step == Step::KeepOwner) {
        Refuse(check.reason);
        return false;
    }
    // A FIX file that an interrupted rewrite left only as its temporary file is put back by
    // the recovery step before it is written.
    if (mustBeWritable && !check.ok() &&
        !(check.error == ENOENT && !recoverable.empty() &&
          platform::CheckReplace(recoverable).ok())) {
        Refuse(Fmt("%s cannot be %s: %s", file.c_str(),
                   check.failed_step == Step::Remove ? "written" : "read",
                   std::strerror(check.error)));
        return false;
    }
    if (!check.owner_note.empty()) {
        LogAt(m_log, LogLevel::Event, m_site, m_operation, check.owner_note);
    }
    return true;
}
