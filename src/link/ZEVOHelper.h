#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/MessageValidator.h"
#include "link/Transport.h"

class ActivityLog;
class CMessageSink;

// One conversation with one gateway instance: owns the transport, turns its notifications
// into connected / message / lost events for the sink, cuts the inbound stream into
// messages and sends outbound messages whole. No logon, keep-alive or reconnection.
class CZEVOHelper : public SocketNotificationTarget {
  public:
    // The transport is made here, for this session; the default argument is taken where the
    // session is made, so code that passes its own transport needs no socket transport.
    explicit CZEVOHelper(ActivityLog* log,
                         const TransportMaker& makeTransport = MakeSocketTransport);
    ~CZEVOHelper() override;

    void SetMessageSink(CMessageSink* sink, int marketType);
    int MarketType() const { return m_marketType; }

    // 1 when the connection is established or under way, 0 on failure.
    int EstablishConnection(std::string address, std::string port);
    // A further attempt of the owner's own, after the first failed: no line and no box for
    // the attempt itself; its outcome is reported as for any attempt.
    int Reconnect(const std::string& address, const std::string& port);
    // Called when a connect ends refused or timed out (the owner may try again), or reached a
    // port that a process of another account than the gateways' holds: `untrusted` then says
    // who holds it, the connection is closed and nothing is read from it.
    void SetConnectFailedHandler(std::function<void(const std::string& untrusted)> handler) {
        m_connectFailed = std::move(handler);
    }
    // 1 when every byte was handed to the socket.
    int SendPacket(const unsigned char* message, std::uint16_t length);

    int GeneratePacketHeader(std::uint16_t messageCode, unsigned char* packetHeader);
    int GenerateNetworkHeader(unsigned char* networkHeader, std::uint16_t messageLength);

    // Send operations for complete records of their callers; each returns 1 whatever the send.
    int SendLogonMessage(std::array<unsigned char, 90> record);
    int SendChangeConfigurationRequest(std::array<unsigned char, 144> record);
    int SendQueryStatus(std::array<unsigned char, 32> record);

    void OnSocketNotify(long notificationWord, long eventWord) override;
    void Process(long notificationWord, long eventWord);
    void ReceiveData();
    int ReceivePacket(unsigned char* buffer, std::uint16_t* length);

    CTransport& Transport() { return *m_transport; }

  private:
    // Empty when the socket's listener belongs to the gateways' account, else why the
    // connection is not used.
    std::string UntrustedPeer() const;
    void ReportReceiveError(int error);
    // The transport made ready for a connection to `address`:`port`.
    void PrepareTransport(const std::string& address, const std::string& port);

    ActivityLog* m_log;
    std::unique_ptr<CTransport> m_transport;
    std::unique_ptr<CMessageValidator> m_validator;
    int m_marketType = -1;
    CMessageSink* m_sink = nullptr;
    std::function<void(const std::string&)> m_connectFailed;
};
