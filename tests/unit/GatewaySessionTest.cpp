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

std::vector<unsigned char> Message(std::uint16_t length, std::uint16_t code, unsigned char fill = 0) {
    std::vector<unsigned char> m(length, fill);
    WriteU16(m.data(), length);
    if (length >= 22) {
        WriteU16(m.data() + 20, code);
    }
    return m;
}

// Keeps every message received, back to back, as the bytes of one stream.
class StreamSink final : public CMessageSink {
  public:
    int RouteMessage(const unsigned char* message, std::uint16_t) override {
        stream.insert(stream.end(), message, message + ReadU16(message));
        ++count;
        return 0;
    }
    void OnConnectionEstablished() override {}
    void OnConnectionLost() override { lost = true; }

    Bytes stream;
    std::size_t count = 0;
    bool lost = false;
};

// Bytes that have reached a socket and wait there to be read.
int UnreadBytes(int socket) {
    int unread = -1;
    ioctl(socket, FIONREAD, &unread);
    return unread;
}

class GatewaySession : public ::testing::Test {
protected:
    // Connects the session (again, when it was connected before) to the peer.
    void Connect() {
        session_.SetMessageSink(&sink_, 1);
        ASSERT_EQ(session_.EstablishConnection("127.0.0.1", peer_.Port()), 1);
        ASSERT_TRUE(peer_.Accept());
        ASSERT_TRUE(PumpUntil(
            [&, before = sink_.established] { return sink_.established == before + 1; }));
    }
    RecordingBoxes boxes_;
    TestLog log_;
    LoopbackGateway peer_;
    RecordingSink sink_{log_};
    CZEVOHelper session_{log_.get()};
};

}  // namespace

TEST_F(GatewaySession, DeliversMessagesInOrderOnePerNotification) {
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
    auto lines = log_.Lines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port(),
                                        "EVENT|Connection established."}));
}

TEST_F(GatewaySession, LengthFieldMustLieBetweenThreeAnd1023) {
    Connect();
    for (std::uint16_t bad : {0, 1, 2, 1024}) {
        ASSERT_TRUE(
            peer_.Send({static_cast<unsigned char>(bad), static_cast<unsigned char>(bad >> 8)}));
        ASSERT_TRUE(PumpUntil([&, n = sink_.messages.size()] {
            return log_.Count("ACTIVITY|Error in length field of Recieved Packet") > 0 &&
                   sink_.messages.size() == n;
        }));
    }
    ASSERT_TRUE(PumpUntil([&] { return log_.Count("ACTIVITY|Error in length field of Recieved Packet") == 4; }));
    ASSERT_TRUE(peer_.Send({3, 0, 0x55}));
    ASSERT_TRUE(peer_.Send(Message(1023, kLogMessage, 1)));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 2; }));
    EXPECT_EQ(sink_.messages[0], (std::vector<unsigned char>{3, 0, 0x55}));
    EXPECT_EQ(sink_.codes[0], 0);  // shorter than a packet header: the cleared buffer's code
    EXPECT_EQ(sink_.messages[1].size(), 1023u);
    EXPECT_EQ(sink_.codes[1], kLogMessage);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, PeerCloseIsReportedAfterTheSocketIsClosed) {
    Connect();
    peer_.Close();
    ASSERT_TRUE(PumpUntil([&] { return !sink_.linesBeforeLost.empty(); }));
    auto& lines = sink_.linesBeforeLost;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "ACTIVITY|Attempting to close connection...");
    EXPECT_EQ(lines.back(), "EVENT|Socket closed successfully.");
    EXPECT_EQ(session_.Transport().Socket(), -1);
    session_.Transport().CloseConnection();  // a second close writes nothing
    EXPECT_EQ(log_.Lines().size(), lines.size());
}

TEST_F(GatewaySession, ConnectWhereNothingListensLogsOnlyTheAttempt) {
    std::string closedPort;
    {
        LoopbackGateway gone;
        closedPort = gone.Port();
    }
    CZEVOHelper refused(log_.get());
    RecordingSink refusedSink(log_);
    refused.SetMessageSink(&refusedSink, 2);
    EXPECT_EQ(refused.EstablishConnection("127.0.0.1", closedPort), 1);
    Connect();  // a later, working connection shows that the refusal has been handled
    EXPECT_EQ(refusedSink.established, 0);
    EXPECT_TRUE(refusedSink.linesBeforeLost.empty());
    auto lines = log_.Lines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"ACTIVITY|Establishing connection to 127.0.0.1:" + closedPort,
                                        "ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port(),
                                        "EVENT|Connection established."}));
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, ConnectThatFailsAtOnceNeverReportsConnected) {
    session_.SetMessageSink(&sink_, 1);
    // Not dotted (all ones) and a multicast group: both fail inside connect itself.
    for (const char* address : {"not an address", "224.0.0.1"}) {
        EXPECT_EQ(session_.EstablishConnection(address, "1"), 0) << address;
    }
    // A working connection afterwards: by then the failed sockets have had their turn.
    CZEVOHelper working(log_.get());
    RecordingSink workingSink(log_);
    working.SetMessageSink(&workingSink, 1);
    ASSERT_EQ(working.EstablishConnection("127.0.0.1", peer_.Port()), 1);
    ASSERT_TRUE(peer_.Accept());
    ASSERT_TRUE(PumpUntil([&] { return workingSink.established == 1; }));
    ASSERT_TRUE(peer_.Send(Message(40, kLogMessage)));
    ASSERT_TRUE(PumpUntil([&] { return workingSink.messages.size() == 1; }));

    EXPECT_EQ(sink_.established, 0);
    EXPECT_TRUE(sink_.messages.empty());
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

TEST_F(GatewaySession, SendsWholeMessages) {
    Connect();
    auto restart = BuildHeadersOnlyRequest(1, kRestartRequest);
    EXPECT_EQ(session_.SendPacket(restart.data(), restart.size()), 1);
    EXPECT_EQ(peer_.Read(40), restart);
    std::array<unsigned char, 32> status{};
    EXPECT_EQ(session_.SendQueryStatus(status), 1);
    auto query = peer_.Read(32);
    ASSERT_EQ(query.size(), 32u);
    EXPECT_EQ(ReadU16(query.data()), 32);
    EXPECT_EQ(ReadU16(query.data() + 20), kQueryStatusMessage);
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
    StreamSink sink;
    session_.SetMessageSink(&sink, 1);
    ASSERT_EQ(session_.EstablishConnection("127.0.0.1", peer_.Port()), 1);
    ASSERT_TRUE(PumpUntil([&] { return sink.lost; }, std::chrono::minutes(2)));

    EXPECT_EQ(sink.count, kMessages);
    ASSERT_EQ(sink.stream.size(), sent.size());
    const auto mismatch = std::mismatch(sent.begin(), sent.end(), sink.stream.begin());
    EXPECT_TRUE(mismatch.first == sent.end())
        << "first difference at byte " << (mismatch.first - sent.begin());
    EXPECT_EQ(log_.Lines(),
              (std::vector<std::string>{
                  "ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port(),
                  "EVENT|Connection established.", "ACTIVITY|Attempting to close connection...",
                  "EVENT|Socket closed successfully."}));
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, MessageWhoseBodyComesLaterIsDeliveredOnceWhole) {
    Connect();
    const Bytes message = Message(42, kLogMessage, 9);
    ASSERT_TRUE(peer_.Send(Bytes(message.begin(), message.begin() + 25)));
    const auto firstWrite = std::chrono::steady_clock::now();
    // The first piece has left the socket for the session, and 100 ms have passed.
    ASSERT_TRUE(PumpUntil([&] {
        return UnreadBytes(session_.Transport().Socket()) == 0 &&
               std::chrono::steady_clock::now() - firstWrite >= std::chrono::milliseconds(100);
    }));
    EXPECT_TRUE(sink_.messages.empty());
    ASSERT_TRUE(peer_.Send(Bytes(message.begin() + 25, message.end())));
    const Bytes next = Message(40, kLogMessage, 4);
    ASSERT_TRUE(peer_.Send(next));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 2; }));
    EXPECT_EQ(sink_.messages[0], message);
    EXPECT_EQ(sink_.messages[1], next);
    EXPECT_EQ(log_.Lines(), (std::vector<std::string>{
                                "ACTIVITY|Establishing connection to 127.0.0.1:" + peer_.Port(),
                                "EVENT|Connection established."}));
}

TEST_F(GatewaySession, BadLengthFieldIsReportedAtOnceAndTheNextBytesStartANewMessage) {
    Connect();
    // 1024 announced: reported without waiting for more; the bytes after it are not skipped
    // but read as the start of the next message, here one of 5 bytes.
    ASSERT_TRUE(peer_.Send({0x00, 0x04, 0x05, 0x00}));
    ASSERT_TRUE(PumpUntil(
        [&] { return log_.Count("ACTIVITY|Error in length field of Recieved Packet") == 1; }));
    EXPECT_TRUE(sink_.messages.empty());
    ASSERT_TRUE(peer_.Send({0xAA, 0xBB, 0xCC}));
    const Bytes logMessage = Message(40, kLogMessage, 3);
    ASSERT_TRUE(peer_.Send(logMessage));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 2; }));
    EXPECT_EQ(sink_.messages[0], (Bytes{0x05, 0x00, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(sink_.messages[1], logMessage);
    EXPECT_EQ(log_.Count("ACTIVITY|Error in length field of Recieved Packet"), 1u);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, StreamEndingInsideAMessageDropsItsStartAndReportsTheClose) {
    const std::string closeLines[] = {"ACTIVITY|Attempting to close connection...",
                                      "EVENT|Socket closed successfully."};
    const struct {
        Bytes tail;
        std::vector<std::string> lines;
    } cases[] = {
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
    }
    EXPECT_EQ(sink_.established, 3);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(GatewaySession, ReconnectStartsFromTheNewConnectionsFirstByte) {
    Connect();
    const Bytes cut = Message(40, kLogMessage, 1);
    ASSERT_TRUE(peer_.Send(Bytes(cut.begin(), cut.begin() + 30)));
    ASSERT_TRUE(PumpUntil([&] { return UnreadBytes(session_.Transport().Socket()) == 0; }));
    session_.Transport().CloseConnection();
    Connect();
    const Bytes whole = Message(42, kLogMessage, 2);
    ASSERT_TRUE(peer_.Send(whole));
    ASSERT_TRUE(PumpUntil([&] { return sink_.messages.size() == 1; }));
    EXPECT_EQ(sink_.messages[0], whole);
    EXPECT_EQ(log_.Count("EVENT|Connection established."), 2u);
    EXPECT_EQ(log_.Count("ACTIVITY|Error in length field of Recieved Packet"), 0u);
}

TEST_F(GatewaySession, RandomBytesNeverBreakTheSession) {
    Connect();
    std::mt19937 random(1205);
    size_t sent = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> bytes(1 + random() % 64);
        for (auto& b : bytes) {
            b = static_cast<unsigned char>(random());
        }
        if (round % 7 == 0 && bytes.size() >= 2) {  // now and then a plausible length
            WriteU16(bytes.data(), static_cast<std::uint16_t>(3 + random() % 60));
        }
        ASSERT_TRUE(peer_.Send(bytes));
        sent += bytes.size();
        if (round % 50 == 0) {
            QCoreApplication::processEvents();
        }
    }
    peer_.Close();
    ASSERT_TRUE(PumpUntil([&] { return !sink_.linesBeforeLost.empty(); }));
    for (const auto& m : sink_.messages) {
        EXPECT_GE(m.size(), 3u);
        EXPECT_LE(m.size(), 1023u);
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
