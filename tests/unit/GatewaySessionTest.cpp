#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <QCoreApplication>
#include <algorithm>
#include <random>

#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"
#include "platform/MessageBox.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;
using Bytes = std::vector<unsigned char>;

namespace {

// Records the sink calls; a lost connection notes how many log lines preceded it.
class RecordingSink final : public CMessageSink {
  public:
    explicit RecordingSink(TestLog& log) : log_(log) {}
    int RouteMessage(const unsigned char* message, std::uint16_t code) override {
        const std::uint16_t length = ReadU16(message);
        messages.emplace_back(message, message + length);
        codes.push_back(code);
        return 0;
    }
    void OnConnectionEstablished() override { ++established; }
    void OnConnectionLost() override { linesBeforeLost = log_.Lines(); }

    std::vector<std::vector<unsigned char>> messages;
    std::vector<std::uint16_t> codes;
    int established = 0;
    std::vector<std::string> linesBeforeLost;

  private:
    TestLog& log_;
};

std::vector<unsigned char> Message(std::uint16_t length, std::uint16_t code,
                                   unsigned char fill = 0) {
    std::vector<unsigned char> m(length, fill);
    WriteU16(m.data(), length);
    if (length >= 22) {
        WriteU16(m.data() + 20, code);
    }
    return m;
}

class GatewaySession : public ::testing::Test {
  protected:
    GatewaySession() { TrustOwnGateways(); }
    // Connects the session (again, when it was connected before) to the peer.
    void Connect() {
        session_.SetMessageSink(&sink_, 1);
        ASSERT_EQ(session_.EstablishConnection("127.0.0.1", peer_.Port()), 1);
        ASSERT_TRUE(peer_.Accept());
        ASSERT_TRUE(
            PumpUntil([&, before = sink_.established] { return sink_.established == before + 1; }));
    }
    RecordingBoxes boxes_;
    TestLog log_;
    LoopbackGateway peer_;
    RecordingSink sink_{log_};
    CZEVOHelper session_{log_.get()};
};

}  // namespace

TEST_F(GatewaySession, ExchangesWholeMessagesInOrderOnePerNotificationAndPerConnection) {
    Connect();
    auto version = Message(34, kVersionMessage);
    WriteI32(version.data() + 30, 10101);
    auto logMessage = Message(42, kLogMessage, 7);
    std::vector<unsigned char> segment = version;
    segment.insert(segment.end(), logMessage.begin(), logMessage.end());
    ASSERT_TRUE(peer_.Send(segment));  // both in one segment
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 2; }));
    EXPECT_EQ(sink_.codes, (std::vector<std::uint16_t>{kVersionMessage, kLogMessage}));
    EXPECT_EQ(sink_.messages[0], version);
    EXPECT_EQ(sink_.messages[1], logMessage);
    auto restart = BuildHeadersOnlyRequest(1, kRestartRequest);
    EXPECT_EQ(session_.SendPacket(restart.data(), restart.size()), 1);
    EXPECT_EQ(peer_.Read(40), restart);
    std::array<unsigned char, 32> status{};
    EXPECT_EQ(session_.SendQueryStatus(status), 1);
    auto query = peer_.Read(32);
    ASSERT_EQ(query.size(), 32u);
    EXPECT_EQ(ReadU16(query.data()), 32);
    EXPECT_EQ(ReadU16(query.data() + 20), kQueryStatusMessage);

    // The start of a message taken in before the console closes never reaches the next one.
    ASSERT_TRUE(peer_.Send(Bytes(logMessage.begin(), logMessage.begin() + 30)));
    ASSERT_TRUE(PumpUntil([&] {  // no byte left unread on the socket
        int unread = -1;
        return ioctl(session_.Transport().Socket(), FIONREAD, &unread) == 0 && unread == 0;
    }));
    session_.Transport().CloseConnection();
    Connect();
    ASSERT_TRUE(peer_.Send(logMessage));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 3; }));
    EXPECT_EQ(sink_.messages[2], logMessage);
}

// The shortest and longest lengths pass. A length outside 3..1023 is reported at once, without
// waiting for more; the bytes after the field are not skipped but read as the start of the next
// message, here one of 5 bytes.
TEST_F(GatewaySession, BadLengthFieldIsReportedAtOnceAndTheNextBytesStartANewMessage) {
    Connect();
    const std::string badLength = "ACTIVITY|Error in length field of Recieved Packet";
    const std::uint16_t bad[] = {0, 1, 2, 1024, 0xffff};
    for (std::size_t n = 0; n < std::size(bad); ++n) {
        const auto low = static_cast<unsigned char>(bad[n]),
                   high = static_cast<unsigned char>(bad[n] >> 8);
        ASSERT_TRUE(peer_.Send({low, high, 0x05, 0x00}));
        ASSERT_TRUE(PumpUntil([&] { return log_.Count(badLength) == n + 1; }));
        EXPECT_EQ(sink_.messages.size(), n);
        ASSERT_TRUE(peer_.Send({0xAA, 0xBB, 0xCC}));
        ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == n + 1; }));
        EXPECT_EQ(sink_.messages[n], (Bytes{0x05, 0x00, 0xAA, 0xBB, 0xCC})) << bad[n];
    }
    ASSERT_TRUE(peer_.Send({3, 0, 0x55}));
    ASSERT_TRUE(peer_.Send(Message(1023, kLogMessage, 1)));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 7; }));
    EXPECT_EQ(sink_.messages[5], (Bytes{3, 0, 0x55}));
    EXPECT_EQ(sink_.codes[5], 0);  // shorter than a packet header: the cleared buffer's code
    EXPECT_EQ(sink_.messages[6].size(), 1023u);
    EXPECT_EQ(sink_.codes[6], kLogMessage);
    EXPECT_EQ(log_.Count(badLength), 5u);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, ConnectThatFailsAtOnceNeverReportsConnected) {
    session_.SetMessageSink(&sink_, 1);
    // Not dotted (all ones) and a multicast group: both fail inside connect itself.
    for (const char* address : {"not an address", "224.0.0.1"}) {
        EXPECT_EQ(session_.EstablishConnection(address, "1"), 0) << address;
    }
    // A working connection and a message on it: by then the failed sockets have had their turn.
    Connect();
    ASSERT_TRUE(peer_.Send(Message(40, kLogMessage)));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 1; }));
    EXPECT_EQ(sink_.established, 1);  // the working one alone
    EXPECT_TRUE(sink_.linesBeforeLost.empty());
    auto lines = log_.Lines();
    ASSERT_EQ(lines.size(), 8u);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string address = attempt == 0 ? "not an address" : "224.0.0.1";
        EXPECT_EQ(lines[3 * attempt], "ACTIVITY|Establishing connection to " + address + ":1");
        EXPECT_EQ(
            lines[3 * attempt + 1].rfind("SYSTEM_ERROR|Can not connect to socket. Error [", 0), 0u);
        EXPECT_EQ(lines[3 * attempt + 2], "EVENT|Error in Establishing connection");
    }
    EXPECT_EQ(lines[6], "ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port());
    EXPECT_EQ(lines[7], "EVENT|Connection established.");
    EXPECT_EQ(boxes_.shown,
              (std::vector<std::string>{"ZEVO: ZEVO network error.", "ZEVO: ZEVO network error",
                                        "ZEVO: ZEVO network error.", "ZEVO: ZEVO network error"}));
}

TEST(GatewaySessionDescriptors, RefusedConnectsLeaveNoDescriptorOpen) {
    RecordingBoxes boxes;
    TestLog log;
    std::string closedPort;
    {
        LoopbackGateway gone;
        closedPort = gone.Port();
    }
    const auto refusedConnect = [&](CZEVOHelper& session) {
        EXPECT_EQ(session.EstablishConnection("127.0.0.1", closedPort), 1);
        QCoreApplication::processEvents();
    };
    {
        CZEVOHelper first(log.get());
        refusedConnect(first);  // the activity log's file is open from here on
    }
    const std::size_t before = OpenDescriptors();
    std::size_t most = before;
    {
        RecordingSink sink(log);
        CZEVOHelper session(log.get());
        session.SetMessageSink(&sink, 1);
        for (int attempt = 0; attempt < 500; ++attempt) {
            refusedConnect(session);
            most = std::max(most, OpenDescriptors());
        }
        EXPECT_EQ(sink.established, 0);
        EXPECT_TRUE(sink.linesBeforeLost.empty());
    }
    for (int attempt = 0; attempt < 500; ++attempt) {
        CZEVOHelper session(log.get());
        refusedConnect(session);
    }
    EXPECT_LE(most, before + 1);  // never more than the attempt under way
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(log.Count("ACTIVITY|Establishing connection to 127.0.0.1:" + closedPort), 1001u);
    EXPECT_EQ(log.Lines().size(), 1001u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(GatewaySession, MessagesCutAtRandomBytePositionsArriveWholeAndInOrder) {
    std::mt19937 random(1307);
    Bytes sent;
    constexpr std::size_t kMessages = 200000;
    for (std::size_t i = 0; i < kMessages; ++i) {
        // Mostly log-message sizes; now and then any length up to the longest.
        const auto length =
            static_cast<std::uint16_t>(i % 101 == 0 ? 3 + random() % 1021 : 3 + random() % 60);
        Bytes message = Message(length, kLogMessage);
        for (std::size_t at = 2; at < message.size(); ++at) {
            message[at] = static_cast<unsigned char>(i >> (8 * (at % 3)));
        }
        sent.insert(sent.end(), message.begin(), message.end());
    }
    peer_.Stream(sent, [cuts = std::mt19937(1601)](const unsigned char*, std::size_t) mutable {
        return 1 + cuts() % 1500;
    });
    session_.SetMessageSink(&sink_, 1);
    ASSERT_EQ(session_.EstablishConnection("127.0.0.1", peer_.Port()), 1);
    ASSERT_TRUE(PumpUntil([&] { return !sink_.linesBeforeLost.empty(); }, std::chrono::minutes(2)));

    EXPECT_EQ(sink_.messages.size(), kMessages);
    Bytes stream;  // the messages received, back to back
    for (const Bytes& message : sink_.messages) {
        stream.insert(stream.end(), message.begin(), message.end());
    }
    ASSERT_EQ(stream.size(), sent.size());
    const auto mismatch = std::mismatch(sent.begin(), sent.end(), stream.begin());
    EXPECT_TRUE(mismatch.first == sent.end())
        << "first difference at byte " << (mismatch.first - sent.begin());
    EXPECT_EQ(log_.Lines(),
              (std::vector<std::string>{
                  "ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port(),
                  "EVENT|Connection established.", "ACTIVITY|Attempting to close connection...",
                  "EVENT|Socket closed successfully."}));
    EXPECT_TRUE(boxes_.shown.empty());
}

// The gateway closes after a whole message, or inside the next one: the start is dropped, the
// close is reported after the socket is closed, and only once.
TEST_F(GatewaySession, StreamEndingInsideAMessageDropsItsStartAndReportsTheClose) {
    const std::string closeLines[] = {"ACTIVITY|Attempting to close connection...",
                                      "EVENT|Socket closed successfully."};
    const struct {
        Bytes tail;
        std::vector<std::string> lines;
    } cases[] = {
        {{}, {closeLines[0], closeLines[1]}},
        {{0x28}, {closeLines[0], closeLines[1]}},
        {{0x28, 0x00, 1, 2, 3}, {closeLines[0], closeLines[1]}},
        {{0x28, 0x00},
         {"EVENT|recv failed due to connection reset by peer.", closeLines[0], closeLines[1]}},
    };
    for (const auto& c : cases) {
        Connect();  // the same session each time, on a new connection
        const std::size_t linesBefore = log_.Lines().size();
        Bytes bytes = Message(40, kLogMessage, 6);
        bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
        sink_.linesBeforeLost.clear();
        ASSERT_TRUE(peer_.Send(bytes));
        peer_.Close();
        ASSERT_TRUE(PumpUntil([&] { return !sink_.linesBeforeLost.empty(); }));
        ASSERT_EQ(sink_.messages.size(), 1u);
        EXPECT_EQ(sink_.messages[0], Message(40, kLogMessage, 6));
        sink_.messages.clear();
        const auto& lines = sink_.linesBeforeLost;
        ASSERT_GE(lines.size(), linesBefore);
        EXPECT_EQ(
            std::vector<std::string>(lines.begin() + static_cast<long>(linesBefore), lines.end()),
            c.lines)
            << c.tail.size() << " bytes left";
        EXPECT_EQ(session_.Transport().Socket(), -1);
        session_.Transport().CloseConnection();  // a second close writes nothing
        EXPECT_EQ(log_.Lines().size(), lines.size());
    }
    EXPECT_EQ(sink_.established, 4);
    EXPECT_TRUE(boxes_.shown.empty());
}
