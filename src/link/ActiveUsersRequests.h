#pragma once

#include <cstdint>

#include "log/LogSite.h"

class CZEVOHelper;

// "Logged Off.", "Logoff in progress.", "Logged on.", "Logon in progress." for 0..3; empty
// for any other state.
const char* LoginStateText(unsigned state);

// A box information response (6501): the box's ID and login state.
struct BoxInformation {
    int boxId;
    unsigned state;
};
BoxInformation DecodeBoxInformation(const unsigned char* message);

// A user information response (10002) in the market's layout: the user's ID and login state.
struct UserInformation {
    long userId;
    unsigned state;
};
UserInformation DecodeUserInformation(const unsigned char* message, int marketType);

// Sends the box information request (6500) and the user information request (10001) on a
// connected session, each followed by its line under `site` and the operation
// `operation`; markets of the long layout name themselves in the lines.
void SendActiveUsersRequests(CZEVOHelper& session, int marketType, ActivityLog* log,
                             const LogSite& site, const char* operation);
