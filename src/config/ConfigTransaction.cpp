#include "config/ConfigTransaction.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "config/ConfigHistory.h"
#include "core/GatewayProcess.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/Accounts.h"
#include "platform/AtomicReplace.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"

namespace {

// Transactions of this thread now open: a save may run inside a caller's transaction (zevo-cli
// reads and writes under one), and only the outermost records the history.
thread_local int t_open = 0;

std::function<void(const std::string&)>& BehindNotice() {
    static std::function<void(const std::string&)> notice;
    return notice;
}

std::string Contents(const std::string& file) {
    std::string bytes;
    platform::ReadRegularFile(file, platform::kLargestTextFile, &bytes);
    return bytes;
}

}  // namespace

ConfigTransaction::ConfigTransaction(const std::vector<std::string>& files, ActivityLog* log,
                                     const LogSite& site, const char* operation)
    : m_lock(files), m_log(log), m_site(site), m_operation(operation), m_files(files) {
    if (!m_lock.Held()) {
        Refuse(m_lock.Refusal());
        return;
    }
    for (const std::string& left : m_lock.RemovedTemporaries()) {
        LogAt(m_log, LogLevel::Detail, m_site, m_operation,
              Fmt("Removed %s, left by an interrupted save.", left.c_str()));
    }
    // The history is in the activity logs' folder; without one named there is none.
    const std::string logs = m_log ? m_log->Directory() : std::string();
    if (m_log && t_open++ == 0 && logs.rfind('/', 0) == 0) {
        m_history = std::make_unique<ConfigHistory>(ConfigHistoryFolder(logs));
        RecordFound();
    }
}

ConfigTransaction::~ConfigTransaction() {
    if (m_history) {
        RecordSaved();
    }
    if (m_log && m_lock.Held()) {
        --t_open;
    }
}

void ConfigTransaction::SetBehindNotice(std::function<void(const std::string&)> notice) {
    BehindNotice() = std::move(notice);
}

void ConfigTransaction::HistoryBehind(const std::string& why) {
    if (std::exchange(m_historyBehind, true)) {
        return;  // one line a save
    }
    const std::string text = Fmt("The configuration history in %s is behind: %s",
                                 m_history->Folder().c_str(), why.c_str());
    LogAt(m_log, LogLevel::Event, m_site, m_operation, text);
    if (BehindNotice()) {
        BehindNotice()(text);
    }
}

// The files as found, committed first when they differ from the last commit: a change made
// outside ZEVO (or, the first time, the files as ZEVO first met them).
void ConfigTransaction::RecordFound() {
    for (const std::string& file : m_files) {
        m_found[file] = Contents(file);
    }
    const bool first = !m_history->HasCommits();
    std::string why;
    if (m_history->Commit(m_files, first ? "ZEVO" : "outside ZEVO",
                          first ? "as found before the first save" : "changed outside ZEVO",
                          &why) == ConfigHistory::Result::kFailed) {
        HistoryBehind(why);
    }
}

// The save as one commit: "FO: qel_ip_fo.cfg: BOX_ID, HOST_PORT_NUMBER".
void ConfigTransaction::RecordSaved() {
    std::string market;
    std::string changes;
    for (const std::string& file : m_files) {
        const std::vector<std::string> keys = ChangedKeys(m_found[file], Contents(file));
        if (keys.empty()) {
            continue;
        }
        if (market.empty()) {
            market = MarketNameOfFile(file);
        }
        changes += (changes.empty() ? "" : "; ") + platform::BaseName(file) + ":";
        for (std::size_t i = 0; i < keys.size(); ++i) {
            changes += (i == 0 ? " " : ", ") + keys[i];
        }
    }
    if (changes.empty()) {
        return;  // the save changed nothing
    }
    const std::string message = (market.empty() ? "" : market + ": ") +
                                (m_historyNote.empty() ? "" : m_historyNote + ": ") + changes;
    std::string why;
    if (m_history->Commit(m_files, platform::AccountName(getuid()), message, &why) ==
        ConfigHistory::Result::kFailed) {
        HistoryBehind(why);
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
