#include "link/ZEVOHelper.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/GatewayProcess.h"
#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/SocketOwner.h"

namespace {
constexpr int kBufferSize = 1024;

}  // namespace

CZEVOHelper::CZEVOHelper(ActivityLog* log, const TransportMaker& makeTransport)
    : m_log(log),
      m_transport(makeTransport(this, log)),
      m_validator(std::make_unique<CMessageValidator>(log)) {}

CZEVOHelper::~CZEVOHelper() = default;

void CZEVOHelper::SetMessageSink(CMessageSink* sink, int marketType) {
    m_sink = sink;
    m_marketType = marketType;
}

void CZEVOHelper::PrepareTransport(const std::string& address, const std::string& port) {
    m_transport->Initialize();
    m_transport->SetIP(address);
    m_transport->SetPort(port);
}

int CZEVOHelper::EstablishConnection(std::string address, std::string port) {
    PrepareTransport(address, port);
    ZEVO_LOG_ACTIVITY(m_log, "CZEVOHelper::EstablishConnection",
                      Fmt("Establishing connection to %s:%s", address.c_str(), port.c_str()));
    if (m_transport->OpenConnection() == 0) {
        ZEVO_LOG_EVENT(m_log, "CZEVOHelper::EstablishConnection",
                       "Error in Establishing connection");
        platform::ShowPlainBox("ZEVO network error");
        return 0;
    }
    return 1;
}

int CZEVOHelper::Reconnect(const std::string& address, const std::string& port) {
    PrepareTransport(address, port);
    return m_transport->OpenConnection() == 0 ? 0 : 1;
}

void CZEVOHelper::OnSocketNotify(long notificationWord, long eventWord) {
    Process(notificationWord, eventWord);
}

void CZEVOHelper::Process(long, long eventWord) {
    const int event = EventOf(eventWord);
    const bool failed = ErrorOf(eventWord) != 0;
    if (event == FD_CLOSE) {
        ZEVO_LOG_ACTIVITY(m_log, "CZEVOHelper::Process", "Attempting to close connection...");
        m_transport->CloseConnection();
        if (m_sink) {
            m_sink->OnConnectionLost();
        }
    } else if (failed) {
        // A refused or timed-out connect: nothing more is logged; the owner may try again.
        if (event == FD_CONNECT && m_connectFailed) {
            m_connectFailed(std::string());
        }
        return;
    } else if (event == FD_CONNECT) {
        const std::string untrusted = UntrustedPeer();
        if (!untrusted.empty()) {
            // Whatever listens there is not the gateway: nothing it sends is looked at.
            ZEVO_LOG_EVENT(m_log, "CZEVOHelper::Process", untrusted);
            m_transport->CloseConnection();
            if (m_connectFailed) {
                m_connectFailed(untrusted);
            }
            return;
        }
        ZEVO_LOG_EVENT(m_log, "CZEVOHelper::Process", "Connection established.");
        if (m_sink) {
            m_sink->OnConnectionEstablished();
        }
    } else if (event == FD_READ) {
        ReceiveData();
    }
}

std::string CZEVOHelper::UntrustedPeer() const {
    const int socket = m_transport->Socket();
    if (socket < 0) {
        return {};  // a transport without a socket (in memory) has no port another can hold
    }
    const int port = std::atoi(m_transport->GetPort().c_str());
    const std::int64_t account = GatewayAccountOf(m_marketType);
    if (account == kNoAccount) {
        return Fmt("port %d is not used: the gateways' account is not known", port);
    }
    const platform::SocketOwner owner = platform::ListenerOwner(socket);
    if (!owner.known) {
        return Fmt("port %d is not used: its owner cannot be known (%s)", port, owner.why.c_str());
    }
    if (owner.uid != account) {
        return Fmt("port %d is held by a process of uid %u, not the gateway's account", port,
                   owner.uid);
    }
    return {};
}

void CZEVOHelper::ReceiveData() {
    unsigned char message[kBufferSize] = {0};
    unsigned char copy[kBufferSize] = {0};
    std::uint16_t length = 0;
    if (ReceivePacket(message, &length) == 0) {
        return;
    }
    std::memcpy(copy, message, length);
    WriteU16(message, length);
    m_validator->ValidateChecksum(message, copy + kNetworkHeaderSize, length);
    m_validator->ValidateSequenceNo(message);
    if (m_sink) {
        m_sink->RouteMessage(message, ReadU16(message + kMessageCodeOffset));
    }
}

void CZEVOHelper::ReportReceiveError(int error) {
    if (error == EWOULDBLOCK || error == EAGAIN || error == EINTR) {
        ZEVO_LOG_ACTIVITY(m_log, "CZEVOHelper::ReceivePacket",
                          Fmt("recv would have blocked or was interrupted: [%d] - [%s]>", error,
                              SocketErrorText(error)));
    } else {
        ZEVO_LOG_EVENT(m_log, "CZEVOHelper::ReceivePacket",
                       Fmt("Error in recv: [%d] - [%s].", error, SocketErrorText(error)));
        platform::ShowPlainBox("ZEVO Network Error.");
    }
}

int CZEVOHelper::ReceivePacket(unsigned char* buffer, std::uint16_t* length) {
    static const char* const op = "CZEVOHelper::ReceivePacket";
    char received[kBufferSize] = {0};
    m_transport->AsyncSelect(kReadingEventMask);
    int result = m_transport->Receive(received, 2, 0);
    if (result != 2) {
        if (result == -1) {
            ReportReceiveError(static_cast<int>(platform::LastError()));
        } else if (result == 0) {
            ZEVO_LOG_EVENT(m_log, op, "recv failed due to connection reset by peer.");
        }
        m_transport->AsyncSelect(kFullEventMask);
        return 0;
    }
    const std::uint16_t messageLength = ReadU16(reinterpret_cast<unsigned char*>(received));
    if (!IsInboundMessageLength(messageLength)) {
        ZEVO_LOG_ACTIVITY(m_log, op, "Error in length field of Recieved Packet");
        m_transport->AsyncSelect(kFullEventMask);
        return 0;
    }
    result = m_transport->Receive(received + 2, messageLength - 2, 0);
    m_transport->AsyncSelect(kFullEventMask);
    if (result == -1) {
        ReportReceiveError(static_cast<int>(platform::LastError()));
        return 0;
    }
    if (result == 0) {
        ZEVO_LOG_EVENT(m_log, op, "recv failed due to connection reset by peer.");
        return 0;
    }
    if (result < messageLength - 2) {
        return 0;  // only the end of a closed stream is short: what came of it is dropped
    }
    std::memcpy(buffer, received, messageLength);
    *length = messageLength;
    return 1;
}

int CZEVOHelper::SendPacket(const unsigned char* message, std::uint16_t length) {
    char pending[kBufferSize];
    int remaining = length > kBufferSize ? kBufferSize : length;
    const unsigned char* source = message;
    std::memcpy(pending, source, static_cast<size_t>(remaining));
    while (remaining > 0) {
        int sent = m_transport->Send(pending, remaining, 0);
        if (sent == -1) {
            ZEVO_LOG_EVENT(m_log, "CZEVOHelper::SendPacket",
                           Fmt(" Error in sending packet Error code [%ld]", platform::LastError()));
            platform::ShowPlainBox("ZEVO network error.");
            return 0;
        }
        remaining -= sent;
        source += sent;
        std::memmove(pending, source, static_cast<size_t>(remaining));
    }
    return 1;
}

int CZEVOHelper::GeneratePacketHeader(std::uint16_t messageCode, unsigned char* packetHeader) {
    return ::GeneratePacketHeader(messageCode, packetHeader);
}

int CZEVOHelper::GenerateNetworkHeader(unsigned char* networkHeader, std::uint16_t messageLength) {
    return ::GenerateNetworkHeader(networkHeader, messageLength);
}

int CZEVOHelper::SendLogonMessage(std::array<unsigned char, 90> record) {
    GeneratePacketHeader(kLogonMessage, record.data() + kMessageCodeOffset);
    GenerateNetworkHeader(record.data(), record.size());
    SendPacket(record.data(), record.size());
    return 1;
}

int CZEVOHelper::SendChangeConfigurationRequest(std::array<unsigned char, 144> record) {
    GeneratePacketHeader(kChangeConfigurationRequest, record.data() + kMessageCodeOffset);
    GenerateNetworkHeader(record.data(), record.size());
    SendPacket(record.data(), record.size());
    return 1;
}

int CZEVOHelper::SendQueryStatus(std::array<unsigned char, 32> record) {
    GeneratePacketHeader(kQueryStatusMessage, record.data() + kMessageCodeOffset);
    GenerateNetworkHeader(record.data(), record.size());
    SendPacket(record.data(), record.size());
    return 1;
}
