#pragma once

#include <memory>

#include "link/Transport.h"

class ActivityLog;
class QSocketNotifier;

// The TCP client end of a gateway link: one non-blocking socket to a gateway on this machine.
// Readiness is watched by notifiers on the GUI thread and turned into the three events
// connected, readable and closed for the owner.
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

    int Socket() const { return m_socket; }

private:
    void Watch(int eventMask);
    void Unwatch();
    void OnReadable();
    void OnWritable();
    void Notify(int event, int error);

    int m_socket = -1;
    SocketNotificationTarget* m_owner;
    SocketNotificationTarget* m_notificationWindow = nullptr;
    std::string m_address;
    std::string m_port;
    ActivityLog* m_log;
    bool m_connecting = false;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};

// The socket-library error text of an error number.
const char* SocketErrorText(int error);
