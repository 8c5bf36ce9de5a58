#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <string>

class ActivityLog;

// Socket events, as the notification's event word carries them: low 16 bits the event,
// high 16 bits the error number (0 = no error).
constexpr int FD_READ = 1;
constexpr int FD_CONNECT = 16;
constexpr int FD_CLOSE = 32;
constexpr int kFullEventMask = FD_READ | FD_CONNECT | FD_CLOSE;  // 49
constexpr int kReadingEventMask = FD_CONNECT | FD_CLOSE;         // 48
constexpr unsigned kSocketNotifyMessage = 32869;                 // private notification message

inline int EventOf(long eventWord) {
    return static_cast<int>(eventWord & 0xFFFF);
}
inline int ErrorOf(long eventWord) {
    return static_cast<int>((eventWord >> 16) & 0xFFFF);
}
inline long MakeEventWord(int event, int error) {
    return static_cast<long>((static_cast<unsigned long>(error & 0xFFFF) << 16) |
                             static_cast<unsigned>(event & 0xFFFF));
}

// Whoever receives a transport's socket notifications (the gateway session).
class SocketNotificationTarget {
  public:
    virtual ~SocketNotificationTarget() = default;
    virtual void OnSocketNotify(long notificationWord, long eventWord) = 0;
};

// The transport interface of a gateway link.
class CTransport {
  public:
    virtual int Receive(char*, int, int) { return 0; }
    virtual int AsyncSelect(int) { return 0; }
    virtual int Send(const char*, int, int) { return 0; }
    virtual ~CTransport() = default;
    virtual void Initialize() = 0;
    virtual int OpenConnection() = 0;
    virtual void CloseConnection() = 0;
    virtual void Process(long notificationWord, long eventWord) = 0;
    virtual std::string GetIP() const { return {}; }
    virtual void SetIP(const std::string&) {}
    virtual std::string GetPort() const { return {}; }
    virtual void SetPort(const std::string&) {}
    // The descriptor of the connection, -1 when there is none.
    virtual int Socket() const { return -1; }
};

// Makes the transport of a gateway session, which tells `owner` its socket events.
using TransportMaker =
    std::function<std::unique_ptr<CTransport>(SocketNotificationTarget* owner, ActivityLog* log)>;
// The TCP transport (CTcp), the one every session of the program uses.
std::unique_ptr<CTransport> MakeSocketTransport(SocketNotificationTarget* owner, ActivityLog* log);

// The socket-library error text of an error number.
inline const char* SocketErrorText(int error) {
    return std::strerror(error);
}
