#include "config/ConfigRestore.h"

#include <cstring>

#include "config/ConfigHistory.h"
#include "config/ConfigTransaction.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/AtomicReplace.h"
#include "platform/TextFile.h"

FileVersions FilesNow(const std::vector<std::string>& files) {
    FileVersions versions;
    for (const std::string& file : files) {
        std::string bytes;
        platform::ReadRegularFile(file, platform::kLargestTextFile, &bytes);
        versions.emplace_back(file, std::move(bytes));
    }
    return versions;
}

bool FilesAtRevision(const ConfigHistory& history, const std::string& revision,
                     const std::vector<std::string>& files, FileVersions* versions,
                     std::string* why) {
    versions->clear();
    for (const std::string& file : files) {
        std::string bytes;
        bool held = false;
        if (!history.FileAt(revision, file, &bytes, &held, why)) {
            return false;
        }
        if (!held) {
            *why = Fmt("save %s does not hold %s", revision.c_str(), file.c_str());
            return false;
        }
        versions->emplace_back(file, std::move(bytes));
    }
    return true;
}

RestoreOutcome RestoreFiles(const FileVersions& versions, const std::string& note, ActivityLog* log,
                            const LogSite& site, const char* operation) {
    std::vector<std::string> files;
    for (const auto& [file, bytes] : versions) {
        files.push_back(file);
    }
    ConfigTransaction transaction(files, log, site, operation);
    if (!transaction.Locked()) {
        return {RestoreOutcome::kFailed, transaction.Refusal()};
    }
    transaction.SetHistoryNote(note);
    // Every file is checked before any is written: a restore that cannot complete writes
    // nothing.
    FileVersions changed;
    for (const auto& [file, bytes] : versions) {
        std::string now;
        platform::ReadRegularFile(file, platform::kLargestTextFile, &now);
        if (now == bytes) {
            continue;
        }
        if (!transaction.MayReplace(file, true)) {
            return {RestoreOutcome::kFailed, transaction.Refusal()};
        }
        changed.emplace_back(file, bytes);
    }
    for (const auto& [file, bytes] : changed) {
        const platform::ReplaceResult replaced = platform::ReplaceFile(file, bytes);
        if (!replaced.ok()) {
            const std::string why = Fmt(
                "%s cannot be written: %s", file.c_str(),
                replaced.reason.empty() ? std::strerror(replaced.error) : replaced.reason.c_str());
            LogAt(log, LogLevel::Event, site, operation, why);
            return {RestoreOutcome::kFailed, why};
        }
        LogAt(log, LogLevel::Activity, site, operation,
              Fmt("%s put back as it was (%s)", file.c_str(), note.c_str()));
    }
    return {changed.empty() ? RestoreOutcome::kUnchanged : RestoreOutcome::kRestored, {}};
}
