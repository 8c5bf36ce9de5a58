#pragma once

#include <string>

namespace testing_support {

// A FIX configuration file's [DEFAULT] part as ZEVO's installations have it, and a user's
// session block.
const std::string kFixEngine =
    "[DEFAULT]\nConnectionType=acceptor\nBeginString=FIX.4.2\nSenderCompID=QELFO\n";
const std::string kFixDefault = kFixEngine + "PersistMessages=Y\nNicIpAddress=127.0.0.1\n";

inline std::string Block(int user, int branch, const std::string& broker = "12342") {
    const std::string id = std::to_string(user);
    return "\n#BeginSession_" + id + "\n[SESSION]\nTargetCompID=" + id + "," + broker + "," +
           std::to_string(branch) + "\n#EndSession_" + id + "\n";
}

}  // namespace testing_support
