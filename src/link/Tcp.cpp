#include "link/Tcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"

namespace {

constexpr int kReceiveBufferSize = 1024;

// Starting the socket library: there is nothing to start on this platform, so it always
// succeeds; the error explanations stay for a platform where it can fail.
int StartSocketLibrary() { return 0; }

const char* StartupErrorText(int error) {
    switch (error) {
        case 10091: return "Underlying network subsystem is not ready for network communication.\n";
        case 10092:
            return "The version of Windows Sockets support requested is not provided by this "
                   "particular Windows Sockets implementation.";
        case 10036: return "A blocking Windows Sockets 1.1 operation is in progress.";
        case 10067:
            return "Limit on the number of tasks supported by the Windows Sockets implementation "
                   "has been reached.";
        case 10014: return "The lpWSAData is not a valid pointer.";
        default: return "Unknown Error.";
    }
}


}  // namespace

const char* SocketErrorText(int error) { return std::strerror(error); }

CTcp::CTcp(SocketNotificationTarget* owner, ActivityLog* log) : m_owner(owner), m_log(log) {}

CTcp::~CTcp() {
    Unwatch();
    if (m_socket != -1) {
        ::close(m_socket);
    }
}

void CTcp::Initialize() {
    int result = StartSocketLibrary();
    m_notificationWindow = m_owner;
    if (result != 0) {
        ZEVO_LOG_SYSTEM_ERROR(m_log, "CTcp::Initialize",
                              Fmt("System Error, Unable to Initialize TCP. Error  - %s",
                                  StartupErrorText(result)));
        platform::ShowPlainBox("System Error, Unable to Initialize TCP");
    }
}

int CTcp::OpenConnection() {
    static const char* const op = "CTcp::OpenConnection";
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == -1) {
        int error = errno;
        ZEVO_LOG_SYSTEM_ERROR(m_log, op, Fmt("Unable to create socket. Error [%d] - %s", error,
                                              SocketErrorText(error)));
        platform::ShowPlainBox("Unable to Create Socket");
        return 0;
    }
    int on = 1;
    if (setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        return 0;
    }
    fcntl(m_socket, F_SETFL, fcntl(m_socket, F_GETFL) | O_NONBLOCK);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr(m_address.c_str());
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(m_port.c_str())));
    m_connecting = true;
    Watch(kFullEventMask);
    if (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return m_socket;  // the write notifier reports it like a completed asynchronous connect
    }
    int error = errno;
    if (error == EINPROGRESS || error == EWOULDBLOCK || error == EAGAIN) {
        return m_socket;
    }
    if (error == ECONNREFUSED) {
        // A refused connect is reported later as a failed connect, never at once.
        m_connecting = false;
        Unwatch();
        return m_socket;
    }
    ZEVO_LOG_SYSTEM_ERROR(m_log, op, Fmt("Can not connect to socket. Error [%d] - %s", error,
                                          SocketErrorText(error)));
    platform::ShowPlainBox("ZEVO network error.");
    return 0;
}

void CTcp::CloseConnection() {
    if (m_socket == -1) {
        return;
    }
    Unwatch();
    if (::close(m_socket) == 0) {
        ZEVO_LOG_EVENT(m_log, "CTcp::CloseConnection", "Socket closed successfully.");
    } else {
        int error = errno;
        ZEVO_LOG_SYSTEM_ERROR(m_log, "CTcp::CloseConnection",
                              Fmt("Can not close socket. Error [%d] - %s", error,
                                  SocketErrorText(error)));
    }
    m_socket = -1;
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
    char received[kReceiveBufferSize];
    if (length > kReceiveBufferSize) {
        length = kReceiveBufferSize;
    }
    ssize_t result = ::recv(m_socket, received, static_cast<size_t>(length), 0);
    if (result == -1) {
        platform::SetLastError(errno);
        return -1;
    }
    std::memcpy(buffer, received, static_cast<size_t>(result));
    return static_cast<int>(result);
}

int CTcp::Send(const char* buffer, int length, int) {
    ssize_t result = ::send(m_socket, buffer, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (result == -1) {
        platform::SetLastError(errno);
    }
    return static_cast<int>(result);
}

int CTcp::AsyncSelect(int eventMask) {
    if (m_socket == -1) {
        return -1;
    }
    Watch(eventMask);
    return 0;
}

void CTcp::Watch(int eventMask) {
    if (!m_readNotifier) {
        m_readNotifier = std::make_unique<QSocketNotifier>(m_socket, QSocketNotifier::Read);
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_socket, QSocketNotifier::Write);
        QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
        QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated, [this] { OnWritable(); });
    }
    // Until the connect completes only its outcome is watched; a refused socket also reads
    // as readable and must not look like a closed connection.
    m_writeNotifier->setEnabled(m_connecting && (eventMask & FD_CONNECT));
    m_readNotifier->setEnabled(!m_connecting && (eventMask & (FD_READ | FD_CLOSE)) == (FD_READ | FD_CLOSE));
}

void CTcp::Unwatch() {
    // Notifiers may be dropped from inside their own signal: let the event loop delete them.
    for (auto* notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->disconnect();
            (*notifier).release()->deleteLater();
        }
    }
}

void CTcp::OnWritable() {
    if (!m_connecting) {
        return;
    }
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size);
    m_connecting = false;
    if (error != 0) {
        Unwatch();  // a failed connect: the socket stays until the next close
    } else {
        Watch(kFullEventMask);
    }
    Notify(FD_CONNECT, error);
}

void CTcp::OnReadable() {
    char byte;
    ssize_t peeked = ::recv(m_socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        Notify(FD_READ, 0);
        return;
    }
    int error = peeked == 0 ? 0 : errno;
    if (peeked < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)) {
        return;
    }
    // End of stream or a reset: the connection is gone. Stop watching so it is told once.
    m_readNotifier->setEnabled(false);
    Notify(FD_CLOSE, error);
}

void CTcp::Notify(int event, int error) {
    SocketNotificationTarget* target = m_notificationWindow ? m_notificationWindow : m_owner;
    if (target) {
        target->OnSocketNotify(m_socket, MakeEventWord(event, error));
    }
}
