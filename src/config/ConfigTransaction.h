#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "log/LogSite.h"
#include "platform/ConfigLock.h"

// A save of the gateways' configuration as one transaction: it holds the configuration lock
// of every folder it may write in from before it reads until it has written, so no other
// ZEVO writer (the window, zevo-cli by hand or from cron, as root or as an operator) reads
// or writes those files meanwhile. Lines go to the saving dialog's site, under `operation`.
//
// A writer that cannot take the lock gives up after the installed wait and names the
// holder; one that takes it first removes what interrupted saves left behind.
//
// Under the lock the files go into the configuration history (a git repository in the
// activity log's folder, "history"): first as they are found when that differs from the last
// commit ("changed outside ZEVO"), and at the transaction's end as the save left them, one
// commit by the saving account naming the market, the files and the keys changed. A history
// that cannot be written never stops a save: the activity log says it is behind.
class ConfigTransaction {
  public:
    ConfigTransaction(const std::vector<std::string>& files, ActivityLog* log, const LogSite& site,
                      const char* operation);
    ~ConfigTransaction();
    ConfigTransaction(const ConfigTransaction&) = delete;
    ConfigTransaction& operator=(const ConfigTransaction&) = delete;

    bool Locked() const { return m_lock.Held(); }
    // Why nothing was written, as the operator is told it; empty while all is well.
    const std::string& Refusal() const { return m_refusal; }

    // Whether `file` may be replaced as the save wants it to be: with several names (hard
    // links), or where the running user cannot keep its owner without taking access from
    // the gateways, it is refused (logged, Refusal() set); a change of owner that takes
    // nobody's access is logged. With `mustBeWritable`, a file that cannot be read or written
    // at all is refused too (the second file of a save that changes two). Failures the
    // file's own writer reports in its own words are otherwise left to it. A missing file
    // whose `recoverable` temporary file is there counts as writable (the FIX users list's
    // recovery step puts it in place first).
    bool MayReplace(const std::string& file, bool mustBeWritable = false,
                    const std::string& recoverable = {});
    // Told, besides the activity log, when a save's history cannot be written: the window
    // shows it. Empty: the log alone.
    static void SetBehindNotice(std::function<void(const std::string& text)> notice);

    // Said in the save's history commit before the files ("restore of 1a2b3c4d").
    void SetHistoryNote(std::string note) { m_historyNote = std::move(note); }

  private:
    void Refuse(const std::string& text);
    void RecordFound();
    void RecordSaved();
    void HistoryBehind(const std::string& why);

    platform::ConfigLock m_lock;
    ActivityLog* m_log;
    LogSite m_site;
    const char* m_operation;
    std::string m_refusal;
    std::vector<std::string> m_files;
    std::unique_ptr<class ConfigHistory> m_history;  // null without an activity log
    std::map<std::string, std::string> m_found;      // each file as the save found it
    bool m_historyBehind = false;
    std::string m_historyNote;
};
