// Bytes as a gateway sends them, through the program's own receive path: the socket
// transport's receive buffer takes them in reads whose sizes the input gives too, so messages
// split by the network at any place are seen; a transport raises the events the socket
// transport raises from that buffer; the gateway session cuts the stream into messages and
// hands every whole one to a sink that decodes it as the log page, the version check and the
// active users list do: log rows and their cells, the version, the users and the box.
//
// Input: the market (0..8, so codes without a market are tried too); flags (bits 0..2 the
// user-ID width flags a version message may have set before, bit 3 a stream that ends with a
// reset instead of an orderly close); a count n and n read sizes, used in turn (0: nothing to
// read this time, 254: an interrupted read, 255: as much as there is room for; none: every
// read takes as much as there is room for); then the stream.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/MessageValidator.h"
#include "link/ReceiveBuffer.h"
#include "link/Transport.h"
#include "link/UserInformation.h"
#include "link/ZEVOHelper.h"
#include "platform/MessageBox.h"
#include "views/LogRow.h"
#include "views/VersionCheck.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::uint8_t kWouldBlock = 0;
constexpr std::uint8_t kInterrupted = 254;
constexpr std::uint8_t kAllThereIsRoomFor = 255;

// The stream, handed out as recv() would hand it out in reads of the given sizes. A read that
// brings nothing never follows another, so every second read at least moves on.
class NetworkReads {
  public:
    NetworkReads(Bytes sizes, const std::uint8_t* stream, std::size_t size, bool endsWithReset)
        : m_sizes(std::move(sizes)), m_stream(stream), m_size(size), m_reset(endsWithReset) {}

    long Read(unsigned char* into, std::size_t room) {
        if (m_at == m_size) {
            if (m_reset) {
                errno = ECONNRESET;
                return -1;
            }
            return 0;
        }
        std::size_t count = room;
        if (!m_sizes.empty()) {
            const std::uint8_t size = m_sizes[m_next++ % m_sizes.size()];
            const bool nothing = size == kWouldBlock || size == kInterrupted;
            if (nothing && !m_broughtNothing) {
                m_broughtNothing = true;
                errno = size == kWouldBlock ? EAGAIN : EINTR;
                return -1;
            }
            count = nothing ? 1 : size == kAllThereIsRoomFor ? room : size;
        }
        m_broughtNothing = false;
        count = std::min({count, room, m_size - m_at});
        std::memcpy(into, m_stream + m_at, count);
        m_at += count;
        return static_cast<long>(count);
    }

  private:
    Bytes m_sizes;
    std::size_t m_next = 0;
    bool m_broughtNothing = false;
    const std::uint8_t* m_stream;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_reset;
};

// A transport over the reads: Receive is the socket transport's own, from its receive buffer,
// and Run raises what the socket transport's dispatch raises, back to back: connected, a read
// event while a message is there, and the close once the stream has ended and every byte is
// taken.
class StreamTransport final : public CTransport {
  public:
    StreamTransport(SocketNotificationTarget* owner, NetworkReads& network)
        : m_owner(owner), m_read([&network](unsigned char* into, std::size_t room) {
              return network.Read(into, room);
          }) {}

    int Receive(char* buffer, int length, int) override {
        ++m_receives;
        return m_buffer.Receive(buffer, length, m_read);
    }
    int AsyncSelect(int eventMask) override {
        m_eventMask = eventMask;
        return 0;
    }
    void Initialize() override {}
    int OpenConnection() override { return kSocket; }
    void CloseConnection() override { m_closed = true; }
    void Process(long, long) override {}
    // An in-memory stream has no socket whose listener could be asked who holds it.
    int Socket() const override { return -1; }

    void Run() {
        Notify(FD_CONNECT, 0);
        for (;;) {
            switch (m_buffer.NextEvent()) {
                case ReceiveBuffer::Next::kWait:
                    m_buffer.Fill(m_read);
                    break;
                case ReceiveBuffer::Next::kMessage: {
                    if ((m_eventMask & FD_READ) == 0) {
                        __builtin_trap();  // the session would never hear of this message
                    }
                    const unsigned long receives = m_receives;
                    Notify(FD_READ, 0);
                    if (m_receives == receives) {
                        __builtin_trap();  // a message left unread is not told again
                    }
                    break;
                }
                case ReceiveBuffer::Next::kClose:
                    Notify(FD_CLOSE, m_buffer.CloseError());
                    if (!m_closed) {
                        __builtin_trap();  // the session closes its end when the gateway has
                    }
                    return;
            }
        }
    }

  private:
    static constexpr int kSocket = 3;

    void Notify(int event, int error) {
        m_owner->OnSocketNotify(kSocket, MakeEventWord(event, error));
    }

    SocketNotificationTarget* m_owner;
    ReceiveBuffer::Read m_read;
    ReceiveBuffer m_buffer;
    int m_eventMask = kFullEventMask;
    unsigned long m_receives = 0;
    bool m_closed = false;
};

// Decodes every message as the views do, and keeps it.
class DecodingSink final : public CMessageSink {
  public:
    explicit DecodingSink(int marketType) : m_marketType(marketType) {}

    int RouteMessage(const unsigned char* message, std::uint16_t messageCode) override {
        const std::uint16_t length = ReadU16(message);
        if (!IsInboundMessageLength(length) ||
            messageCode != ReadU16(message + kMessageCodeOffset)) {
            __builtin_trap();  // a message is whole, and its code is the word at offset 20
        }
        messages.emplace_back(message, message + length);
        unsigned char header[kNetworkHeaderSize] = {0};
        m_validator.GenerateChecksum(header, message + kNetworkHeaderSize, length);
        Decode(message, messageCode);
        return 0;
    }
    void OnConnectionEstablished() override { ++established; }
    void OnConnectionLost() override { ++lost; }

    std::vector<Bytes> messages;
    int established = 0;
    int lost = 0;

  private:
    void Decode(const unsigned char* message, std::uint16_t messageCode) const {
        switch (messageCode) {
            case kLogMessage: {
                const LogRow row = DecodeLogMessage(message, m_marketType);
                const std::string cells =
                    UserIdText(row) + EventTimeText(row) + MessageText(row) + ReasonValueText(row);
                if (cells.empty()) {
                    __builtin_trap();  // a row always shows its user ID
                }
                break;
            }
            case kVersionMessage: {
                const char* flagLine = nullptr;
                const int received = ReadI32(message + 30);
                CheckVersion(m_marketType, received, RequiredVersion(m_marketType), &flagLine);
                if (flagLine) {
                    volatile std::size_t length = std::strlen(flagLine);
                    (void)length;
                }
                break;
            }
            case kUserInformationResponse: {
                const UserInformation user = DecodeUserInformation(message, m_marketType);
                volatile std::size_t length = std::strlen(LoginStateText(user.state));
                (void)length;
                break;
            }
            case kBoxInformationResponse: {
                const BoxInformation box = DecodeBoxInformation(message);
                volatile std::size_t length = std::strlen(LoginStateText(box.state));
                (void)length;
                break;
            }
            default:
                break;
        }
    }

    int m_marketType;
    CMessageValidator m_validator{nullptr};
};

// The messages in the stream taken as one piece: what the session is to deliver however the
// reads split it. A bad length field is refused and the bytes after it start the next
// message; the start of a message the stream ends in is dropped.
std::vector<Bytes> WholeMessages(const std::uint8_t* stream, std::size_t size) {
    std::vector<Bytes> messages;
    std::size_t at = 0;
    for (;;) {
        switch (InspectInboundFrame(stream + at, size - at)) {
            case InboundFrame::kIncomplete:
                return messages;
            case InboundFrame::kBadLength:
                at += kLengthFieldSize;
                break;
            case InboundFrame::kWhole: {
                const std::uint16_t length = ReadU16(stream + at);
                messages.emplace_back(stream + at, stream + at + length);
                at += length;
                break;
            }
        }
    }
}

// The network layer's boxes are answered at once and shown nowhere.
class SilentBoxes final : public platform::MessageBoxSeam {
  public:
    int Show(const platform::MessageBoxRequest& box) override { return box.defaultAnswer; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size < 3u + data[2]) {
        return 0;
    }
    static SilentBoxes boxes;
    static const platform::MessageBoxSeam* installed = platform::InstallMessageBoxSeam(&boxes);
    (void)installed;

    const int marketType = data[0] % 9;
    FO_USERID_INCREASE_FLAG = data[1] & 1;
    IPO_USERID_INCREASE_FLAG = (data[1] >> 1) & 1;
    SLBM_USERID_INCREASE_FLAG = (data[1] >> 2) & 1;
    const bool endsWithReset = (data[1] >> 3) & 1;
    Bytes sizes(data + 3, data + 3 + data[2]);
    const std::uint8_t* stream = data + 3 + data[2];
    const std::size_t streamSize = size - 3 - data[2];

    NetworkReads network(std::move(sizes), stream, streamSize, endsWithReset);
    StreamTransport* transport = nullptr;
    CZEVOHelper session(nullptr, [&](SocketNotificationTarget* owner, ActivityLog*) {
        auto made = std::make_unique<StreamTransport>(owner, network);
        transport = made.get();
        return made;
    });
    DecodingSink sink(marketType);
    session.SetMessageSink(&sink, marketType);
    if (session.EstablishConnection("127.0.0.1", "0") != 1) {
        __builtin_trap();
    }
    transport->Run();
    if (sink.established != 1 || sink.lost != 1 ||
        sink.messages != WholeMessages(stream, streamSize)) {
        __builtin_trap();  // every whole message arrives, in order, once, however it was split
    }
    return 0;
}
