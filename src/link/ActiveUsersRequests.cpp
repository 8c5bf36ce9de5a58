#include "link/ActiveUsersRequests.h"

#include <string>

#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/ZEVOHelper.h"
#include "log/Format.h"

void SendActiveUsersRequests(CZEVOHelper& session, int marketType, ActivityLog* log,
                             const LogSite& site, const char* operation) {
    const bool wide = UsesLongUserIdLayout(marketType);
    // The long layout names its market in the log line; the short layout does not.
    const char* name = wide ? MarketName(marketType) : nullptr;
    auto box = BuildHeadersOnlyRequest(marketType, kBoxInformationRequest);
    session.SendPacket(box.data(), static_cast<std::uint16_t>(box.size()));
    LogAt(log, LogLevel::Activity, site, operation,
          name ? Fmt("Box information request for %s sent.", name)
               : std::string("Box information request sent."));
    auto users = BuildHeadersOnlyRequest(marketType, kUserInformationRequest);
    session.SendPacket(users.data(), static_cast<std::uint16_t>(users.size()));
    LogAt(log, LogLevel::Activity, site, operation,
          name ? Fmt("User information request for %s sent.", name)
               : std::string("User information request sent."));
}
