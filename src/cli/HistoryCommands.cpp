// zevo-cli config history, diff and restore: the configuration history a save leaves.

#include "cli/HistoryCommands.h"

#include <QDateTime>
#include <QJsonArray>
#include <cstdio>

#include "base/Settings.h"
#include "cli/CliSupport.h"
#include "config/ConfigHistory.h"
#include "config/ConfigRestore.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/SettingsStore.h"
#include "platform/TextFile.h"

namespace {

// The history of the installation the settings store names, read without a log of our own.
ConfigHistory InstallationHistory() {
    std::string folder;
    if (auto key = platform::DefaultSettingsStore().OpenKey(settings::kRoot)) {
        platform::QueryString(*key, settings::kLogFilesPath, settings::kPathLimit, &folder);
    }
    return ConfigHistory(ConfigHistoryFolder(folder));
}

std::string ShortId(const std::string& id) {
    return id.substr(0, 8);
}

QString LocalTime(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm:ss");
}

}  // namespace

namespace history_commands {

std::vector<std::string> MarketFiles(const cli::Installation& installation, int market) {
    std::vector<std::string> files{installation.Market(market).config_file_path};
    if (!installation.Market(market).fix_config_file_path.empty()) {
        files.push_back(installation.Market(market).fix_config_file_path);
    }
    return files;
}

int List(const cli::Installation& installation, int market, bool json) {
    std::vector<ConfigHistory::Entry> entries;
    std::string why;
    const std::vector<std::string> files =
        market == 0 ? std::vector<std::string>{} : MarketFiles(installation, market);
    if (!InstallationHistory().Log(files, &entries, &why)) {
        return cli::Fail(why);
    }
    if (json) {
        QJsonArray saves;
        for (const ConfigHistory::Entry& entry : entries) {
            QJsonArray changed;
            for (const std::string& file : entry.files) {
                changed.append(QString::fromStdString(file));
            }
            saves.append(QJsonObject{
                {"id", QString::fromStdString(entry.id)},
                {"time", QDateTime::fromSecsSinceEpoch(entry.time).toString(Qt::ISODate)},
                {"author", QString::fromStdString(entry.author)},
                {"message", QString::fromStdString(entry.message)},
                {"files", changed}});
        }
        cli::PrintJson(QJsonObject{{"saves", saves}});
        return 0;
    }
    for (const ConfigHistory::Entry& entry : entries) {
        std::printf("%s  %s  %-12s %s\n", ShortId(entry.id).c_str(),
                    qPrintable(LocalTime(entry.time)), entry.author.c_str(), entry.message.c_str());
    }
    return 0;
}

int Diff(const std::string& from, const std::string& to) {
    std::string patch;
    std::string why;
    if (!InstallationHistory().Diff(from, to, &patch, &why)) {
        return cli::Fail(why);
    }
    std::fputs(patch.c_str(), stdout);
    return 0;
}

// A restore is a save like any other: under the lock, the files as the save held them, a
// commit of its own, and the restart of a running gateway.
int Restore(cli::Installation& installation, int market, const std::string& revision, bool dryRun,
            int (*afterSave)(cli::Installation&, int, int)) {
    FileVersions restored;
    std::string why;
    if (!FilesAtRevision(InstallationHistory(), revision, MarketFiles(installation, market),
                         &restored, &why)) {
        return cli::Fail(why);
    }
    if (dryRun) {
        for (const auto& [file, bytes] : restored) {
            std::string now;
            platform::ReadRegularFile(file, platform::kLargestTextFile, &now);
            std::printf("%s: %s\n", file.c_str(),
                        now == bytes ? "already as in that save" : "would be restored");
        }
        return 0;
    }
    const RestoreOutcome outcome =
        RestoreFiles(restored, "restore of " + ShortId(revision), &installation.log,
                     log_sites::GatewayConfiguration(), "restore");
    if (outcome.kind == RestoreOutcome::kFailed) {
        return cli::Fail(outcome.why);
    }
    cli::Report("market", MarketName(market));
    cli::Report("revision", QString::fromStdString(revision));
    cli::Report("changed", outcome.kind == RestoreOutcome::kRestored);
    if (outcome.kind == RestoreOutcome::kUnchanged) {
        std::printf("Nothing to change: the files are as in save %s.\n", revision.c_str());
        installation.NothingChanged();
        return 0;
    }
    return afterSave(installation, market, 0);
}

}  // namespace history_commands
