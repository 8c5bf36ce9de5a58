#pragma once

#include <QTimer>
#include <memory>

#include "link/ReceiveBuffer.h"
#include "link/Transport.h"

class ActivityLog;

// The TCP client end of a gateway link: one non-blocking socket to a gateway on this machine.
// Readiness is watched by notifiers on the GUI thread and turned into the three events
// connected, readable and closed for the owner.
//
// What the socket holds is read, up to 64 KiB at a time, into the transport's own bounded
// buffer, and Receive is served from there. The owner hears "readable" only when a whole
// message is buffered, when the length field in front is bad, or, after the gateway closed,
// for whatever is left; so a message the network split waits until it is whole. While a whole
// message waits, nothing more is read from the socket, so TCP flow control paces the gateway.
// Buffered messages are handed on back to back for a few milliseconds, then the event loop
// has its turn.
class CTcp : public CTransport {
  public:
    CTcp(SocketNotificationTarget* owner, ActivityLog* log);
    ~CTcp() override;

    int Receive(char* buffer, int length, int flags) override;
    int AsyncSelect(int eventMask) override;
    int Send(const char* buffer, int length, int flags) override;
    void Initialize() override;
    int OpenConnection() override;
    void CloseConnection() override;
    void Process(long notificationWord, long eventWord) override;
    std::string GetIP() const override { return m_address; }
    void SetIP(const std::string& address) override { m_address = address; }
    std::string GetPort() const override { return m_port; }
    void SetPort(const std::string& port) override { m_port = port; }

    int Socket() const override;

  private:
    class Connection;  // the descriptor, its notifiers and its buffered bytes: one owned unit
    using Next = ReceiveBuffer::Next;

    Next NextEvent() const;
    bool Fill();
    void Dispatch();
    void ScheduleDispatch();
    void UpdateReadWatch();
    void OnReadable();
    void OnWritable();
    void Notify(int event, int error);

    std::unique_ptr<Connection> m_connection;
    SocketNotificationTarget* m_owner;
    SocketNotificationTarget* m_notificationWindow = nullptr;
    std::string m_address;
    std::string m_port;
    ActivityLog* m_log;
    bool m_readEvents = true;    // FD_READ is in the event mask
    bool m_readIgnored = false;  // the owner let the last read event pass without reading
    bool m_dispatching = false;
    unsigned long m_receives = 0;  // Receive calls, to see whether a read event was taken
    unsigned m_generation = 0;     // counts connections, so a dispatch never outlives its own
    QTimer m_dispatchTimer;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
