// zevo-cli fix list|add|edit|delete MARKET ...: the FIX users list and the FIX user details
// of a market, through the dialogs' own reading, rules, rewrites and lines.

#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "base/Text.h"
#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "config/ConfigRestore.h"
#include "config/ConfigTransaction.h"
#include "config/FixSessionFile.h"
#include "config/FixUserRules.h"
#include "config/GatewayConfigFile.h"
#include "core/MarketType.h"
#include "log/Format.h"

namespace {

using fix_file::FixUser;

enum Modification { kNewSession = 1, kEditSession = 2 };

// An edit that leaves the user's branch as it is: no Save, nothing to restart.
constexpr int kNothingToChange = -1;

// The list as the dialog holds it after opening: the market's files, its keys and users.
struct FixList {
    int market = 0;
    std::string configPath, fixPath, temporaryPath;
    fix_users::GatewayKeys keys;
    std::vector<FixUser> users;
};

// An ID as its field takes it: up to `digits` digits (blank is the rules' to judge).
bool FieldTakes(const std::string& text, std::size_t digits, const char* name) {
    if (text.size() <= digits && text.find_first_not_of("0123456789") == std::string::npos) {
        return true;
    }
    cli::Fail(Fmt("%s takes up to %zu digits, not %s", name, digits, text.c_str()));
    return false;
}

// Opens the list as the dialog does (its lines, the recovery step, the keys, the users);
// false after saying why it would not open.
bool OpenList(cli::Installation& installation, int market, bool changes, FixList* list) {
    const MarketSettings& settings = installation.Market(market);
    list->market = market;
    list->configPath = settings.config_file_path;
    list->fixPath = settings.fix_config_file_path;
    list->temporaryPath = fix_file::TemporaryPath(list->fixPath, market);
    ActivityLog* log = &installation.log;
    const LogSite& site = log_sites::FixUsers();
    // Only a change puts a left-over temporary file in place; a look leaves every file alone.
    if (changes) {
        if (fix_file::OpenFixUsers(market, list->configPath, list->fixPath,
                                   installation.Port(market), log,
                                   site) == fix_file::kRecoveryFailed) {
            cli::Fail(Fmt("the temporary file %s could not be renamed to %s",
                          list->temporaryPath.c_str(), list->fixPath.c_str()));
            return false;
        }
        LogAt(log, LogLevel::Activity, site, "OnInitDialog",
              Fmt("Market type is %d [%s]", market, MarketName(market)));
    }
    switch (fix_users::ReadGatewayKeys(list->configPath, log, site, &list->keys)) {
        case fix_users::KeysRead::Read:
            break;
        case fix_users::KeysRead::CannotOpen:
            cli::Fail(std::string(fix_users::kSetupError) + " " + list->configPath);
            return false;
        case fix_users::KeysRead::NoBrokerId:
            cli::Fail(fix_users::kNoBrokerId);
            return false;
        case fix_users::KeysRead::NoMaxUsers:
            cli::Fail("Cannot read MAX_TWS_CLIENTS from QEL config file.");
            return false;
    }
    if (!fix_users::LoadUsers(list->fixPath, log, site, &list->users)) {
        cli::Fail(std::string(fix_users::kCannotOpenFixFile) + " " + list->fixPath);
        return false;
    }
    // "User ID" is the list's sort column from the start, as numbers.
    std::stable_sort(list->users.begin(), list->users.end(),
                     [](const FixUser& a, const FixUser& b) {
                         return text::AtoiClamped(a.userId) < text::AtoiClamped(b.userId);
                     });
    return true;
}

int List(const FixList& list, bool json, bool header) {
    if (json) {
        QJsonArray users;
        for (const FixUser& user : list.users) {
            // Numbers, as zevo-cli users gives them.
            users.append(QJsonObject{{"user_id", text::AtoiClamped(user.userId)},
                                     {"branch_id", text::AtoiClamped(user.branchId)}});
        }
        cli::PrintJson(QJsonObject{{"market", MarketName(list.market)},
                                   {"broker_id", QString::fromStdString(list.keys.brokerId)},
                                   {"max_users", list.keys.maxUsers},
                                   {"users", users}});
        return 0;
    }
    if (header) {
        std::printf("%-8s %s\n", "USER_ID", "BRANCH_ID");
    }
    for (const FixUser& user : list.users) {
        std::printf("%-8s %s\n", user.userId.c_str(), user.branchId.c_str());
    }
    return 0;
}

// The listed user whose ID is `text`, as written or as a number; null when none is.
const FixUser* ListedUser(const FixList& list, const std::string& text) {
    for (const FixUser& user : list.users) {
        if (user.userId == text) {
            return &user;
        }
    }
    for (const FixUser& user : list.users) {
        if (text::AtoiClamped(user.userId) == text::AtoiClamped(text)) {
            return &user;
        }
    }
    return nullptr;
}

// The selected row: the listed user, or null after saying that there is none.
const FixUser* FindUser(const FixList& list, const std::string& text) {
    const FixUser* user = ListedUser(list, text);
    if (!user) {
        cli::Fail(Fmt("User ID %s is not in the FIX users list of %s", text.c_str(),
                      MarketName(list.market)));
    }
    return user;
}

// Edit and delete work on the user's session block; a session written by hand without one
// is listed, but changing it here would change nothing. Says so and returns false.
bool HasBlock(cli::Installation& installation, const FixList& list, const FixUser& row,
              const char* operation) {
    const fix_file::BlockLookup found = fix_file::FindBlock(list.fixPath, row.userId);
    if (found == fix_file::BlockLookup::Found) {
        return true;
    }
    const std::string text =
        found == fix_file::BlockLookup::CannotRead
            ? std::string(fix_users::kCannotOpenFixFile) + " " + list.fixPath
            : Fmt("User ID %s has no #BeginSession_%s block in %s, so its session cannot be %s "
                  "here: nothing was written",
                  row.userId.c_str(), row.userId.c_str(), list.fixPath.c_str(), operation);
    LogAt(&installation.log, LogLevel::Event, log_sites::FixUsers(),
          std::string(operation) == "edited" ? "OnButtonEdit" : "OnButtonDelete", text);
    cli::Fail(text);
    return false;
}

// Why a rewrite did not happen, said as the dialogs' lines say it.
int Refused(fix_file::Outcome outcome, const FixList& list) {
    switch (outcome) {
        case fix_file::Outcome::CannotRead:
            return cli::Fail(std::string(fix_users::kCannotOpenFixFile) + " " + list.fixPath);
        case fix_file::Outcome::CannotWrite:
            return cli::Fail(Fmt("Couldn't open temporary file [%s] in write mode.",
                                 list.temporaryPath.c_str()));
        case fix_file::Outcome::RemoveFailed:
            return cli::Fail(Fmt("the FIX file %s cannot be rewritten: Permission denied",
                                 list.fixPath.c_str()));
        case fix_file::Outcome::RenameFailed:
            return cli::Fail(Fmt("the new FIX file stays in %s: renaming it to %s failed",
                                 list.temporaryPath.c_str(), list.fixPath.c_str()));
        default:
            return cli::kFailed;
    }
}

// The details' Save: rules, then the add or the edit. 0 when the file was rewritten.
int SaveDetails(cli::Installation& installation, const FixList& list, int mode,
                const FixUser& stored, const std::string& userField,
                const std::string& branchField) {
    ActivityLog* log = &installation.log;
    const LogSite& site = log_sites::FixUserDetails();
    if (fix_users::OpenUserDetails(list.market, stored.userId, list.keys.brokerId, stored.branchId,
                                   list.fixPath, mode, log, site) == fix_file::kRecoveryFailed) {
        return cli::Fail(Fmt("the temporary file %s could not be renamed to %s",
                             list.temporaryPath.c_str(), list.fixPath.c_str()));
    }
    const fix_users::FieldRuleBreak broken =
        fix_users::CheckUserFields(userField, branchField, log, site);
    fix_users::LogValidation(broken.field == fix_users::Field::None, log, site);
    if (broken.field != fix_users::Field::None) {
        return cli::Fail(broken.box);
    }
    const int userId = text::AtoiClamped(userField);
    const std::string value = fix_users::TargetCompIdValue(
        userField, stored.userId, list.keys.brokerId, branchField, stored.branchId);
    const fix_file::Outcome outcome =
        mode == kNewSession
            ? fix_file::AddUser(list.fixPath, list.temporaryPath, userId, value, log, site)
            : fix_file::EditUser(list.fixPath, list.temporaryPath, userId, value, log, site);
    if (outcome == fix_file::Outcome::Duplicate) {
        fix_users::LogDuplicate(userId, log, site);
        std::string text = fix_users::DuplicateText(userId);
        text.pop_back();  // the box's closing new-line
        return cli::Fail(text);
    }
    if (outcome != fix_file::Outcome::Written) {
        return Refused(outcome, list);
    }
    if (mode == kNewSession) {
        std::printf("New Session added for Trader ID %d in FIX config file.\n", userId);
    } else {
        std::printf("TargetCompID=%s set for Trader ID %d\n", value.c_str(), userId);
    }
    return 0;
}

int Add(cli::Installation& installation, const FixList& list, const std::string& user,
        const std::string& branch) {
    LogAt(&installation.log, LogLevel::Activity, log_sites::FixUsers(), "OnButtonNew",
          "New Button Clicked");
    if (!fix_users::MayAddUser(static_cast<int>(list.users.size()), list.keys.maxUsers)) {
        return cli::Fail(fix_users::kMaximumReached);
    }
    return SaveDetails(installation, list, kNewSession, FixUser{}, user, branch);
}

// kNothingToChange when the user's branch stays as it is: the details' Save is not offered.
int Edit(cli::Installation& installation, const FixList& list, const std::string& user,
         const std::string& branch) {
    const FixUser* row = FindUser(list, user);
    if (!row) {
        return cli::kFailed;
    }
    LogAt(&installation.log, LogLevel::Activity, log_sites::FixUsers(), "OnButtonEdit",
          Fmt("Trader ID %s is selected to Edit", row->userId.c_str()));
    if (!fix_users::FieldsChanged(row->userId, row->userId, branch, row->branchId)) {
        std::printf("Nothing to change for User ID %s.\n", row->userId.c_str());
        return kNothingToChange;
    }
    if (!HasBlock(installation, list, *row, "edited")) {
        return cli::kFailed;
    }
    return SaveDetails(installation, list, kEditSession, *row, row->userId, branch);
}

int Delete(cli::Installation& installation, const FixList& list, const std::string& user) {
    const FixUser* row = FindUser(list, user);
    if (!row || !HasBlock(installation, list, *row, "deleted")) {
        return cli::kFailed;
    }
    const fix_file::Outcome outcome = fix_file::DeleteUser(
        list.fixPath, list.temporaryPath, row->userId, &installation.log, log_sites::FixUsers());
    if (outcome != fix_file::Outcome::Written) {
        return Refused(outcome, list);
    }
    std::printf("User ID %s deleted from FIX config file.\n", row->userId.c_str());
    return 0;
}

// What a change would do, judged on the list before anything is written: nothing (a second
// run of the same change), a change from one TargetCompID line to another (for --json and
// --dry-run), or a case the dialogs' own steps judge and say (a refused duplicate, a user who
// is not listed).
struct Plan {
    enum { kNothing, kChange, kDialogsJudge } kind = kDialogsJudge;
    std::string before, after;  // the session's TargetCompID line, or empty
};

std::string SessionLine(const std::string& user, const std::string& broker,
                        const std::string& branch) {
    return "TargetCompID=" + user + "," + broker + "," + branch + "\n";
}

Plan PlanChange(const FixList& list, const std::string& action, const std::string& user,
                const std::string& branch, bool absentOk) {
    const FixUser* row = ListedUser(list, user);
    Plan plan;
    if (action == "add") {
        if (row && text::AtoiClamped(row->branchId) == text::AtoiClamped(branch) &&
            !branch.empty()) {
            std::printf(
                "User ID %s is in the FIX users list with branch ID %s: nothing to "
                "change.\n",
                row->userId.c_str(), row->branchId.c_str());
            plan.kind = Plan::kNothing;
        } else if (!row) {
            plan.kind = Plan::kChange;
            plan.after = "TargetCompID=" +
                         fix_users::TargetCompIdValue(user, "", list.keys.brokerId, branch, "") +
                         "\n";
        }
    } else if (action == "edit" && row) {
        plan.before = SessionLine(row->userId, row->brokerId, row->branchId);
        plan.after = "TargetCompID=" +
                     fix_users::TargetCompIdValue(row->userId, row->userId, list.keys.brokerId,
                                                  branch, row->branchId) +
                     "\n";
        plan.kind = fix_users::FieldsChanged(row->userId, row->userId, branch, row->branchId)
                        ? Plan::kChange
                        : Plan::kDialogsJudge;  // its own "Nothing to change" line
    } else if (action == "delete") {
        if (!row && absentOk) {
            std::printf("User ID %s is not in the FIX users list: nothing to change.\n",
                        user.c_str());
            plan.kind = Plan::kNothing;
        } else if (row) {
            plan.kind = Plan::kChange;
            plan.before = SessionLine(row->userId, row->brokerId, row->branchId);
        }
    }
    return plan;
}

void ReportPlan(const FixList& list, const std::string& user, const Plan& plan, bool dryRun) {
    cli::Report("market", MarketName(list.market));
    cli::Report("user_id", text::AtoiClamped(user));
    cli::Report("changed", plan.kind == Plan::kChange);
    cli::Report("dry_run", dryRun);
    cli::Report("before", QString::fromStdString(plan.before));
    cli::Report("after", QString::fromStdString(plan.after));
}

// --dry-run: the lines that would change, or why the change would be refused; nothing is
// written.
int DryRun(const FixList& list, const std::string& action, const std::string& user,
           const Plan& plan) {
    if (plan.kind == Plan::kChange) {
        std::printf("%s%s", plan.before.empty() ? "" : ("- " + plan.before).c_str(),
                    plan.after.empty() ? "" : ("+ " + plan.after).c_str());
        return 0;
    }
    if (plan.kind == Plan::kNothing) {
        return 0;
    }
    if (action == "add") {
        std::string text = fix_users::DuplicateText(text::AtoiClamped(user));
        text.pop_back();  // the box's closing new-line
        return cli::Fail(text);
    }
    if (action == "edit" && ListedUser(list, user)) {
        std::printf("Nothing to change for User ID %s.\n", user.c_str());
        return 0;
    }
    FindUser(list, user);  // says that the user is not listed
    return cli::kFailed;
}

// The list's exit step after a change: a running gateway restarts to read the file again.
int AfterChange(cli::Installation& installation, int market, bool noRestart) {
    if (noRestart || !installation.Runs(market)) {
        return 0;
    }
    std::printf("%s\n", fix_users::kRestartNotice);
    std::fflush(stdout);
    if (!cli::RequestRestart(installation, market, log_sites::FixUsers(), "KillQELExe")) {
        return cli::Fail(cli::kPartly, "saved, but the gateway was not restarted");
    }
    return 0;
}

// The words each action takes after MARKET, and the argument checks of its fields.
bool ArgumentsFit(const CommandLine& line, const std::string& action, int* status) {
    const int count = line.PositionalCount();
    const bool fits = (action == "list" && count == 2) ||
                      ((action == "add" || action == "edit") && count == 4) ||
                      (action == "delete" && count == 3);
    if (!fits) {
        *status =
            line.Usage(action == "list" || action == "add" || action == "edit" || action == "delete"
                           ? "wrong number of arguments for fix " + action
                           : "the first argument is list, add, edit or delete");
        return false;
    }
    // An added user's ID is typed; an edited or deleted one names a row of the list.
    if ((action == "add" && !FieldTakes(line.Positional(2), 5, "USER_ID")) ||
        (count == 4 && !FieldTakes(line.Positional(3), 3, "BRANCH_ID"))) {
        *status = cli::kFailed;
        return false;
    }
    return true;
}

}  // namespace

int FixCommand(const QStringList& arguments) {
    CommandLine line("fix", cli_help::kFix);
    line.Add("json");
    line.Add("no-header");
    line.Add("no-restart");
    line.Add("confirm", "SECONDS");
    line.Add("dry-run");
    line.Add("absent-ok");
    int status = 0;
    if (!line.Parse(arguments, 2, 4, &status)) {
        return status;
    }
    const int confirmSeconds = cli::ConfirmSeconds(line);
    if (confirmSeconds < 0) {
        return cli::kUsage;
    }
    const std::string action = line.Positional(0);
    if (!ArgumentsFit(line, action, &status)) {
        return status;
    }
    const bool dryRun = line.Has("dry-run");
    const bool changes = action != "list" && !dryRun;
    if (action != "list" && line.Has("json")) {
        cli::StartReport();
    }
    // fix list and a dry run only look: they write no activity-log line.
    cli::Installation installation(changes);
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    const int market = cli::InstalledMarket(installation, line.Positional(1));
    if (market == 0) {
        return cli::kFailed;
    }
    if (fix_enabled[market - 1] != 1 || installation.Market(market).fix_config_file_path.empty()) {
        return cli::Fail(Fmt("market %s is not FIX enabled", MarketName(market)));
    }
    // A change reads and writes under the configuration lock (the broker ID comes from the
    // gateway file, the users from the FIX file), so it works on the files as they are.
    const MarketSettings& paths = installation.Market(market);
    const std::vector<std::string> files{paths.config_file_path, paths.fix_config_file_path};
    std::optional<ConfigTransaction> transaction;
    std::vector<std::pair<std::string, std::string>> before;
    if (changes) {
        transaction.emplace(files, &installation.log, log_sites::FixUsers(), "CFixUserSessions");
        if (!transaction->Locked()) {
            return cli::Fail(transaction->Refusal());
        }
        before = FilesNow(files);
    }
    FixList list;
    if (!OpenList(installation, market, changes, &list)) {
        return cli::kFailed;
    }
    if (changes && !transaction->MayReplace(list.fixPath)) {
        return cli::Fail(transaction->Refusal());
    }
    if (action == "list") {
        return List(list, line.Has("json"), !line.Has("no-header"));
    }
    const std::string user = line.Positional(2);
    const std::string branch = line.PositionalCount() > 3 ? line.Positional(3) : std::string();
    const Plan plan = PlanChange(list, action, user, branch, line.Has("absent-ok"));
    ReportPlan(list, user, plan, dryRun);
    if (dryRun) {
        return DryRun(list, action, user, plan);
    }
    if (plan.kind == Plan::kNothing) {
        installation.NothingChanged();
        return 0;
    }
    if (action == "add") {
        status = Add(installation, list, line.Positional(2), line.Positional(3));
    } else if (action == "edit") {
        status = Edit(installation, list, line.Positional(2), line.Positional(3));
    } else {
        status = Delete(installation, list, line.Positional(2));
    }
    // The change is in the history before the gateway restarts on it; a rollback takes the
    // lock anew.
    transaction.reset();
    if (status == kNothingToChange) {
        installation.NothingChanged();
        cli::Report("changed", false);
        return 0;  // nothing changed: nothing to restart
    }
    if (status != 0) {
        return status;
    }
    if (confirmSeconds > 0) {
        return cli::ConfirmSave(installation, market, before, confirmSeconds, log_sites::FixUsers(),
                                "KillQELExe",
                                [&] { return AfterChange(installation, market, false); });
    }
    return AfterChange(installation, market, line.Has("no-restart"));
}
