#include "link/UserInformation.h"

#include "link/MessageFrame.h"

UserInformation DecodeUserInformation(const unsigned char* message, int marketType) {
    const bool wide = UsesLongUserIdLayout(marketType);
    UserInformation user;
    user.userId =
        wide ? static_cast<long>(ReadI32(message + 30)) : static_cast<long>(ReadU16(message + 30));
    user.state = ReadU16(message + (wide ? 34 : 32));
    return user;
}

BoxInformation DecodeBoxInformation(const unsigned char* message) {
    return BoxInformation{ReadU16(message + 30), ReadU16(message + 32)};
}

const char* LoginStateText(unsigned state) {
    static const char* const kTexts[] = {"Logged Off.", "Logoff in progress.", "Logged on.",
                                         "Logon in progress."};
    return state < 4 ? kTexts[state] : "";
}
