#include "link/Tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"

namespace {

constexpr std::chrono::milliseconds kDispatchSlice{4};

// Starting the socket library: there is nothing to start on this platform, so it always
// succeeds; the error explanations stay for a platform where it can fail.
int StartSocketLibrary() {
    return 0;
}

const char* StartupErrorText(int error) {
    switch (error) {
        case 10091:
            return "Underlying network subsystem is not ready for network communication.\n";
        case 10092:
            return "The version of Windows Sockets support requested is not provided by this "
                   "particular Windows Sockets implementation.";
        case 10036:
            return "A blocking Windows Sockets 1.1 operation is in progress.";
        case 10067:
            return "Limit on the number of tasks supported by the Windows Sockets implementation "
                   "has been reached.";
        case 10014:
            return "The lpWSAData is not a valid pointer.";
        default:
            return "Unknown Error.";
    }
}

// A notifier may be let go from inside its own signal: it stops at once and the event loop
// deletes it.
struct DeleteLater {
    void operator()(QSocketNotifier* notifier) const {
        notifier->setEnabled(false);
        notifier->disconnect();
        notifier->deleteLater();
    }
};
using Notifier = std::unique_ptr<QSocketNotifier, DeleteLater>;

// The socket as the receive buffer's source.
ReceiveBuffer::Read ReadFrom(int socket) {
    return [socket](unsigned char* into, std::size_t room) {
        return static_cast<long>(::recv(socket, into, room, MSG_DONTWAIT));
    };
}

}  // namespace

std::unique_ptr<CTransport> MakeSocketTransport(SocketNotificationTarget* owner, ActivityLog* log) {
    return std::make_unique<CTcp>(owner, log);
}

// One socket with everything bound to it: the notifiers that watch this descriptor and the
// bytes read from it. Closing it stops the notifiers first, so none is ever left watching a
// descriptor that has been closed or handed to another socket.
class CTcp::Connection {
  public:
    explicit Connection(int socket) : m_socket(socket) {}
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int Socket() const { return m_socket; }

    // Watches the connect's outcome; the read side is watched once it is connected.
    void WatchConnect(CTcp* tcp) {
        m_read.reset(new QSocketNotifier(QSocketNotifier::Read));
        m_write.reset(new QSocketNotifier(QSocketNotifier::Write));
        m_read->setSocket(m_socket);
        m_write->setSocket(m_socket);
        QObject::connect(m_read.get(), &QSocketNotifier::activated, [tcp] { tcp->OnReadable(); });
        QObject::connect(m_write.get(), &QSocketNotifier::activated, [tcp] { tcp->OnWritable(); });
        m_write->setEnabled(true);
    }
    void Connected() {
        m_write->setEnabled(false);
        connected = true;
    }
    void StopWatching() {
        m_read.reset();
        m_write.reset();
    }
    void WatchRead(bool on) {
        if (m_read) {
            m_read->setEnabled(on);
        }
    }
    // 0, or the error number of a failed close.
    int Close() {
        StopWatching();
        if (m_socket == -1) {
            return 0;
        }
        const int result = ::close(m_socket);
        m_socket = -1;
        return result == 0 ? 0 : errno;
    }

    bool connected = false;
    int refusal = 0;  // a connect refused at once, told as a failed connect
    bool closeTold = false;
    ReceiveBuffer received;

  private:
    int m_socket;
    Notifier m_read;
    Notifier m_write;
};

CTcp::CTcp(SocketNotificationTarget* owner, ActivityLog* log) : m_owner(owner), m_log(log) {
    m_dispatchTimer.setSingleShot(true);
    m_dispatchTimer.setInterval(0);
    QObject::connect(&m_dispatchTimer, &QTimer::timeout, [this] { Dispatch(); });
}

CTcp::~CTcp() = default;

int CTcp::Socket() const {
    return m_connection ? m_connection->Socket() : -1;
}

void CTcp::Initialize() {
    int result = StartSocketLibrary();
    m_notificationWindow = m_owner;
    if (result != 0) {
        ZEVO_LOG_SYSTEM_ERROR(
            m_log, "CTcp::Initialize",
            Fmt("System Error, Unable to Initialize TCP. Error  - %s", StartupErrorText(result)));
        platform::ShowPlainBox("System Error, Unable to Initialize TCP");
    }
}

int CTcp::OpenConnection() {
    static const char* const op = "CTcp::OpenConnection";
    // A socket left by an earlier attempt goes, with its notifiers, before the next is made.
    m_connection.reset();
    ++m_generation;
    m_readEvents = true;
    m_readIgnored = false;
    const int socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == -1) {
        int error = errno;
        ZEVO_LOG_SYSTEM_ERROR(
            m_log, op,
            Fmt("Unable to create socket. Error [%d] - %s", error, SocketErrorText(error)));
        platform::ShowPlainBox("Unable to Create Socket");
        return 0;
    }
    // On a failure from here on the socket stays until the next close or connect.
    m_connection = std::make_unique<Connection>(socket);
    int on = 1;
    if (setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        return 0;
    }
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(m_address.c_str());
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(m_port.c_str())));
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        m_connection->WatchConnect(this);  // reported like a completed asynchronous connect
        return socket;
    }
    int error = errno;
    if (error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN) {
        m_connection->WatchConnect(this);
        return socket;
    }
    if (error == ECONNREFUSED) {
        // A refusal is told as the outcome of the connect, never at once.
        m_connection->refusal = error;
        m_dispatchTimer.start(0);
        return socket;
    }
    ZEVO_LOG_SYSTEM_ERROR(
        m_log, op,
        Fmt("Can not connect to socket. Error [%d] - %s", error, SocketErrorText(error)));
    platform::ShowPlainBox("ZEVO network error.");
    return 0;
}

void CTcp::CloseConnection() {
    if (!m_connection) {
        return;
    }
    const std::unique_ptr<Connection> connection = std::move(m_connection);
    const int error = connection->Close();
    if (error == 0) {
        ZEVO_LOG_EVENT(m_log, "CTcp::CloseConnection", "Socket closed successfully.");
    } else {
        ZEVO_LOG_SYSTEM_ERROR(
            m_log, "CTcp::CloseConnection",
            Fmt("Can not close socket. Error [%d] - %s", error, SocketErrorText(error)));
    }
}

void CTcp::Process(long, long eventWord) {
    if (ErrorOf(eventWord) != 0) {
        return;
    }
    if (EventOf(eventWord) == FD_CLOSE) {
        ZEVO_LOG_ACTIVITY(m_log, "CTcp::Process", "Attempting to close connection...");
        CloseConnection();
    }
}

int CTcp::Receive(char* buffer, int length, int) {
    ++m_receives;
    m_readIgnored = false;
    if (!m_connection || !m_connection->connected) {
        platform::SetLastError(m_connection ? ENOTCONN : EBADF);
        return -1;
    }
    const int count =
        m_connection->received.Receive(buffer, length, ReadFrom(m_connection->Socket()));
    if (count > 0) {
        ScheduleDispatch();
    }
    return count;
}

int CTcp::Send(const char* buffer, int length, int) {
    const int socket = Socket();
    ssize_t result = ::send(socket, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (result == -1) {
        platform::SetLastError(errno);
    }
    return static_cast<int>(result);
}

int CTcp::AsyncSelect(int eventMask) {
    if (!m_connection) {
        return -1;
    }
    // Only a flag: what is buffered decides when the socket is read.
    m_readEvents = (eventMask & FD_READ) != 0;
    if (m_readEvents) {
        m_readIgnored = false;
        ScheduleDispatch();
    }
    return 0;
}

// Reads what the socket holds, up to 64 KiB, behind the bytes not yet received. True when
// bytes came or the stream ended.
bool CTcp::Fill() {
    return m_connection->received.Fill(ReadFrom(m_connection->Socket()));
}

// What the owner is to hear next: a message when a whole one (or a bad length field) is in
// front, the rest once the gateway has closed, and then the close.
CTcp::Next CTcp::NextEvent() const {
    if (!m_connection || !m_connection->connected || m_connection->closeTold) {
        return Next::kWait;
    }
    return m_connection->received.NextEvent();
}

void CTcp::ScheduleDispatch() {
    if (m_dispatching || m_dispatchTimer.isActive()) {
        return;
    }
    const Next next = NextEvent();
    if (next == Next::kClose || (next == Next::kMessage && m_readEvents && !m_readIgnored)) {
        m_dispatchTimer.start(0);
    }
}

// The socket is read only while no whole message waits, and until the stream has ended.
void CTcp::UpdateReadWatch() {
    if (m_connection && m_connection->connected) {
        m_connection->WatchRead(!m_connection->received.PeerClosed() && NextEvent() == Next::kWait);
    }
}

void CTcp::Dispatch() {
    if (m_dispatching || !m_connection) {
        return;  // a notification's own event loop: the dispatch around it goes on afterwards
    }
    if (m_connection->refusal != 0) {
        const int error = m_connection->refusal;
        m_connection->refusal = 0;
        Notify(FD_CONNECT, error);
        return;
    }
    const std::weak_ptr<bool> alive = m_alive;
    const unsigned generation = m_generation;
    const auto sliceEnd = std::chrono::steady_clock::now() + kDispatchSlice;
    bool drained = false;
    m_dispatching = true;
    for (;;) {
        const Next next = NextEvent();
        if (next == Next::kWait) {
            // Once a read has emptied the socket, the read notifier tells when there is more.
            if (drained || !m_connection || !m_connection->connected || !Fill()) {
                break;
            }
            drained = m_connection->received.Drained();
        } else if (next == Next::kClose) {
            m_connection->closeTold = true;
            Notify(FD_CLOSE, m_connection->received.CloseError());
            if (alive.expired()) {
                return;
            }
            break;
        } else {
            if (!m_readEvents || m_readIgnored) {
                break;  // until the owner asks for read events again
            }
            const unsigned long receives = m_receives;
            Notify(FD_READ, 0);
            if (alive.expired()) {
                return;
            }
            if (m_generation != generation) {
                break;
            }
            m_readIgnored = m_receives == receives;
        }
        if (std::chrono::steady_clock::now() >= sliceEnd) {
            break;
        }
    }
    m_dispatching = false;
    ScheduleDispatch();
    UpdateReadWatch();
}

void CTcp::OnWritable() {
    Connection& connection = *m_connection;
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(connection.Socket(), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0) {
        connection.StopWatching();  // a failed connect: the socket stays until the next close
    } else {
        connection.Connected();
        UpdateReadWatch();
    }
    Notify(FD_CONNECT, error);
}

void CTcp::OnReadable() {
    if (m_dispatching) {
        // Inside a notification's own event loop: take the bytes, tell them afterwards.
        Fill();
        UpdateReadWatch();
        return;
    }
    Dispatch();
}

void CTcp::Notify(int event, int error) {
    SocketNotificationTarget* target = m_notificationWindow ? m_notificationWindow : m_owner;
    if (target) {
        target->OnSocketNotify(Socket(), MakeEventWord(event, error));
    }
}
