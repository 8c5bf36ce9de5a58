#pragma once

#include <cstdint>

#include "link/UserInformation.h"
#include "log/LogSite.h"

class CZEVOHelper;

// Sends the box information request (6500) and the user information request (10001) on a
// connected session, each followed by its line under `site` and the operation
// `operation`; markets of the long layout name themselves in the lines.
void SendActiveUsersRequests(CZEVOHelper& session, int marketType, ActivityLog* log,
                             const LogSite& site, const char* operation);
