// A simulated FIX trader: logs on to a gateway's FIX acceptor with a real FIX engine
// (QuickFIX) under a TargetCompID of the market's FIX file ("user,broker,branch") and says
// whether the gateway accepted the logon. Port, the gateway's CompID and the FIX version come
// from that FIX file. With --stay it keeps the session (the engine sends a heartbeat every
// --heartbeat seconds and logs on again after a gateway restart) until SIGINT or SIGTERM.
// C++14, as the engine's headers need.

#include <quickfix/Log.h>
#include <quickfix/MessageStore.h>
#include <quickfix/SessionSettings.h>
#include <quickfix/SocketInitiator.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "SessionOnlyApplication.h"

namespace {

constexpr int kAccepted = 0;
constexpr int kRefused = 1;
constexpr int kNoAnswer = 2;
constexpr int kUsage = 64;

struct Options {
    std::string fixFile, sender, host = "127.0.0.1", target;
    int port = 0, timeout = 10, heartbeat = 30;
    bool stay = false, verbose = false;
};

const char kUsageText[] =
    "Usage: qel_fix_trader --fix-file FILE --sender USER,BROKER,BRANCH [options]\n"
    "Logs on to a gateway's FIX acceptor as a trader and prints whether the logon was accepted.\n"
    "  --fix-file FILE   the market's FIX configuration file (port, CompID, FIX version)\n"
    "  --sender ID       the trader's SenderCompID, a TargetCompID of that file\n"
    "  --host ADDRESS    the gateway's address (default 127.0.0.1)\n"
    "  --port N          the acceptor's port (default: SocketAcceptPort of the file)\n"
    "  --target ID       the gateway's CompID (default: SenderCompID of the file)\n"
    "  --timeout S       seconds to wait for an answer to the logon (default 10)\n"
    "  --stay            keep the session after an accepted logon until SIGINT or SIGTERM\n"
    "  --heartbeat S     heartbeat interval asked of the gateway (default 30)\n"
    "  --verbose         print the FIX messages and the engine's events\n"
    "Exit status: 0 accepted, 1 refused, 2 no answer, 64 wrong usage or unreadable file.\n";

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const bool hasValue = i + 1 < argc;
        if (name == "--stay") {
            o->stay = true;
        } else if (name == "--verbose") {
            o->verbose = true;
        } else if (!hasValue) {
            return false;
        } else if (name == "--fix-file") {
            o->fixFile = argv[++i];
        } else if (name == "--sender") {
            o->sender = argv[++i];
        } else if (name == "--host") {
            o->host = argv[++i];
        } else if (name == "--target") {
            o->target = argv[++i];
        } else if (name == "--port") {
            o->port = std::atoi(argv[++i]);
        } else if (name == "--timeout") {
            o->timeout = std::atoi(argv[++i]);
        } else if (name == "--heartbeat") {
            o->heartbeat = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return !o->fixFile.empty() && !o->sender.empty() && o->timeout > 0 && o->heartbeat > 0;
}

// The outcome of each logon, as the engine reports it: a session that ends before it was
// logged on was refused (the gateway's engine drops a trader it has no session for).
class Trader : public SessionOnlyApplication {
  public:
    explicit Trader(std::string where) : m_where(std::move(where)) {}

    // Waits for the first logon's outcome; kNoAnswer when none came in time.
    int FirstOutcome(int seconds) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_outcomes > 0; });
        return m_outcomes > 0 ? m_first : kNoAnswer;
    }

    void onLogon(const FIX::SessionID& id) override {
        Say(kAccepted, "logon accepted: " + id.getSenderCompID().getValue() + " at " + m_where);
        m_loggedOn = true;
    }
    void onLogout(const FIX::SessionID& id) override {
        const std::string who = id.getSenderCompID().getValue();
        if (m_loggedOn) {
            m_loggedOn = false;
            std::printf("logged out: %s\n", who.c_str());
            std::fflush(stdout);
        } else {
            Say(kRefused, "logon refused: " + who + " at " + m_where);
        }
    }

  private:
    void Say(int outcome, const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_outcomes++ == 0) {
            m_first = outcome;
        }
        m_changed.notify_all();
    }

    const std::string m_where;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_outcomes = 0;
    int m_first = kNoAnswer;
    bool m_loggedOn = false;  // only touched on the engine's thread
};

// The initiator's settings: one session from this trader to the gateway's CompID.
FIX::SessionSettings InitiatorSettings(const Options& o, const FIX::Dictionary& gateway,
                                       std::string* where) {
    const std::string target = o.target.empty() ? gateway.getString("SenderCompID") : o.target;
    const int port = o.port ? o.port : gateway.getInt("SocketAcceptPort");
    FIX::Dictionary defaults;
    defaults.setString("ConnectionType", "initiator");
    defaults.setString("SocketConnectHost", o.host);
    defaults.setInt("SocketConnectPort", port);
    defaults.setInt("HeartBtInt", o.heartbeat);
    defaults.setInt("ReconnectInterval", 1);
    defaults.setString("StartTime", "00:00:00");
    defaults.setString("EndTime", "00:00:00");
    defaults.setString("ResetOnLogon", "Y");
    defaults.setString("UseDataDictionary", "N");
    FIX::SessionSettings settings;
    settings.set(defaults);
    settings.set(FIX::SessionID(gateway.getString("BeginString"), o.sender, target),
                 FIX::Dictionary());
    *where = target + " " + o.host + ":" + std::to_string(port);
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    // The engine's threads inherit this mask, so the two signals reach only sigwait below.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    FIX::SessionSettings settings;
    std::string where;
    try {
        settings = InitiatorSettings(options, FIX::SessionSettings(options.fixFile).get(), &where);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "qel_fix_trader: FIX file %s: %s\n", options.fixFile.c_str(),
                     failure.what());
        return kUsage;
    }
    Trader trader(where);
    FIX::MemoryStoreFactory store;
    FIX::ScreenLogFactory log(options.verbose, options.verbose, options.verbose);
    FIX::SocketInitiator initiator(trader, store, settings, log);
    initiator.start();
    const int outcome = trader.FirstOutcome(options.timeout);
    if (outcome == kNoAnswer) {
        std::printf("no answer: %s within %d s\n", where.c_str(), options.timeout);
    }
    if (options.stay && outcome == kAccepted) {
        int signal = 0;
        sigwait(&ending, &signal);
    }
    initiator.stop(outcome != kAccepted);
    return outcome;
}
