#include "FixAcceptor.h"

#include <quickfix/FileLog.h>
#include <quickfix/FileStore.h>
#include <quickfix/Log.h>
#include <quickfix/SessionSettings.h>
#include <quickfix/ThreadedSocketAcceptor.h>

#include <memory>
#include <mutex>

#include "SessionOnlyApplication.h"

namespace fix_sim {

namespace {

// The engine's callbacks: only logons and logouts matter to the gateway; every message is
// accepted as it is.
class SessionEvents : public SessionOnlyApplication {
  public:
    explicit SessionEvents(FixAcceptor::Events events) : m_events(std::move(events)) {}
    void onLogon(const FIX::SessionID& id) override {
        if (m_events.logon) {
            m_events.logon(id.getTargetCompID().getValue());
        }
    }
    void onLogout(const FIX::SessionID& id) override {
        if (m_events.logout) {
            m_events.logout(id.getTargetCompID().getValue());
        }
    }

  private:
    FixAcceptor::Events m_events;
};

// The engine writes the acceptor's own log from its accepting thread and from each
// connection's thread without a lock of its own; these logs take one lock around every write.
class LockedLog : public FIX::Log {
  public:
    LockedLog(FIX::Log* log, FIX::LogFactory& factory, std::mutex& lock)
        : m_log(log), m_factory(factory), m_lock(lock) {}
    ~LockedLog() override { m_factory.destroy(m_log); }
    void clear() override {
        Locked([this] { m_log->clear(); });
    }
    void backup() override {
        Locked([this] { m_log->backup(); });
    }
    void onIncoming(const std::string& text) override {
        Locked([&] { m_log->onIncoming(text); });
    }
    void onOutgoing(const std::string& text) override {
        Locked([&] { m_log->onOutgoing(text); });
    }
    void onEvent(const std::string& text) override {
        Locked([&] { m_log->onEvent(text); });
    }

  private:
    template <typename Write>
    void Locked(Write write) {
        const std::lock_guard<std::mutex> hold(m_lock);
        write();
    }
    FIX::Log* m_log;
    FIX::LogFactory& m_factory;
    std::mutex& m_lock;
};

class LockedLogFactory : public FIX::LogFactory {
  public:
    explicit LockedLogFactory(std::unique_ptr<FIX::LogFactory> files) : m_files(std::move(files)) {}
    FIX::Log* create() override { return new LockedLog(m_files->create(), *m_files, m_lock); }
    FIX::Log* create(const FIX::SessionID& id) override {
        return new LockedLog(m_files->create(id), *m_files, m_lock);
    }
    void destroy(FIX::Log* log) override { delete log; }

  private:
    std::unique_ptr<FIX::LogFactory> m_files;
    std::mutex m_lock;
};

class EngineAcceptor : public FixAcceptor {
  public:
    EngineAcceptor(const std::string& path, bool logMessages, Events events)
        : m_settings(path),
          m_application(std::move(events)),
          m_store(m_settings),
          m_log(logMessages ? static_cast<FIX::LogFactory*>(new LockedLogFactory(
                                  std::make_unique<FIX::FileLogFactory>(m_settings)))
                            : new FIX::ScreenLogFactory(false, false, false)),
          m_acceptor(m_application, m_store, m_settings, *m_log) {
        m_acceptor.start();
    }
    ~EngineAcceptor() override { m_acceptor.stop(); }

    // The port of the defaults; 0 when only the sessions name theirs.
    int Port() const override {
        const FIX::Dictionary& defaults = m_settings.get();
        return defaults.has("SocketAcceptPort") ? defaults.getInt("SocketAcceptPort") : 0;
    }
    int Sessions() const override { return static_cast<int>(m_settings.getSessions().size()); }

  private:
    FIX::SessionSettings m_settings;
    SessionEvents m_application;
    FIX::FileStoreFactory m_store;
    std::unique_ptr<FIX::LogFactory> m_log;
    FIX::ThreadedSocketAcceptor m_acceptor;
};

}  // namespace

std::unique_ptr<FixAcceptor> FixAcceptor::Start(const std::string& settingsPath, bool logMessages,
                                                Events events, std::string* error) {
    try {
        return std::unique_ptr<FixAcceptor>(
            new EngineAcceptor(settingsPath, logMessages, std::move(events)));
    } catch (const std::exception& failure) {
        *error = failure.what();
        return nullptr;
    }
}

}  // namespace fix_sim
