#pragma once

// The FIX side of a simulated gateway: a real FIX engine's acceptor (QuickFIX) that takes its
// sessions, port and stores from the market's FIX configuration file, the file the console's
// FIX dialogs edit. A trader whose TargetCompID has no session block there is refused at
// logon by the engine itself. Built as C++14, since the engine's headers do not compile as
// C++17 or later; this interface is plain C++ for any standard.

#include <functional>
#include <memory>
#include <string>

namespace fix_sim {

class FixAcceptor {
  public:
    // Called on one of the engine's threads with the TargetCompID of the session (the trader's
    // "user,broker,branch").
    using SessionEvent = std::function<void(const std::string& targetCompId)>;
    struct Events {
        SessionEvent logon;
        SessionEvent logout;
    };

    // Reads the file and starts accepting. Null, with the engine's reason in `error`, when the
    // file cannot be read or the port cannot be taken. `logMessages` writes the engine's
    // message and event logs under the file's FileLogPath.
    static std::unique_ptr<FixAcceptor> Start(const std::string& settingsPath, bool logMessages,
                                              Events events, std::string* error);
    virtual ~FixAcceptor() = default;

    virtual int Port() const = 0;
    virtual int Sessions() const = 0;
};

}  // namespace fix_sim
