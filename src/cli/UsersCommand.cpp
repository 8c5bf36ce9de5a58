// zevo-cli users MARKET: the gateway's box and its connected users, as the Active Users list
// shows them.

#include <QJsonArray>
#include <cstdio>

#include "cli/CliHelp.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/UsersQuery.h"
#include "core/MarketType.h"

namespace {

QString StateWord(unsigned state) {
    return QString::fromStdString(cli::MachineWord(LoginStateText(state)));
}

void PrintJson(int market, const UsersQuery& query) {
    QJsonArray users;
    for (const UserInformation& user : query.users) {
        users.append(QJsonObject{{"user_id", static_cast<qint64>(user.userId)},
                                 {"state", StateWord(user.state)},
                                 {"status", LoginStateText(user.state)}});
    }
    cli::PrintJson(QJsonObject{{"market", MarketName(market)},
                               {"box_id", query.box.boxId},
                               {"box_state", StateWord(query.box.state)},
                               {"box_status", LoginStateText(query.box.state)},
                               {"users", users}});
}

// One record a line: the box, then each user.
void PrintText(const UsersQuery& query, bool header) {
    if (header) {
        std::printf("%-6s %-12s %s\n", "RECORD", "ID", "STATE");
    }
    std::printf("%-6s %-12d %s\n", "box", query.box.boxId,
                StateWord(query.box.state).toUtf8().constData());
    for (const UserInformation& user : query.users) {
        std::printf("%-6s %-12ld %s\n", "user", user.userId,
                    StateWord(user.state).toUtf8().constData());
    }
}

}  // namespace

int UsersCommand(const QStringList& arguments) {
    CommandLine line("users", cli_help::kUsers);
    line.Add("json");
    line.Add("no-header");
    int status = 0;
    if (!line.Parse(arguments, 1, 1, &status)) {
        return status;
    }
    cli::Installation installation(false);
    if (const int unusable = cli::Unusable(installation)) {
        return unusable;
    }
    const int market = cli::InstalledMarket(installation, line.Positional(0));
    if (market == 0) {
        return cli::kFailed;
    }
    UsersQuery query(market, &installation.log);
    if (!query.Ask(installation)) {
        return cli::kFailed;
    }
    if (line.Has("json")) {
        PrintJson(market, query);
    } else {
        PrintText(query, !line.Has("no-header"));
    }
    return 0;
}
