#pragma once

#include <cstdint>

// What the active-users list reads from a gateway's answers, without widgets.

// One user of a user information response (code 10004): the user ID, 32-bit in the long
// layout and 16-bit otherwise, and the login state that follows it.
struct UserInformation {
    long userId = 0;
    unsigned state = 0;
};
UserInformation DecodeUserInformation(const unsigned char* message, int marketType);

// The box of a box information response (code 6502): its ID and login state.
struct BoxInformation {
    int boxId = 0;
    unsigned state = 0;
};
BoxInformation DecodeBoxInformation(const unsigned char* message);

// "Logged Off.", "Logoff in progress.", "Logged on.", "Logon in progress." for 0..3; empty
// for any other state.
const char* LoginStateText(unsigned state);
