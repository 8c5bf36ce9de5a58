#include <gtest/gtest.h>

#include <QApplication>
#include <random>

#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"
#include "platform/MessageBox.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

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

class GatewaySession : public ::testing::Test {
protected:
    void Connect() {
        session_.SetMessageSink(&sink_, 1);
        ASSERT_EQ(session_.EstablishConnection("127.0.0.1", peer_.Port()), 1);
        ASSERT_TRUE(peer_.Accept());
        ASSERT_TRUE(PumpUntil([&] { return sink_.established == 1; }));
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

TEST_F(GatewaySession, BadAddressFailsWithTheNetworkErrorBox) {
    session_.SetMessageSink(&sink_, 1);
    EXPECT_EQ(session_.EstablishConnection("not an address", "1"), 0);
    auto lines = log_.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2].rfind("SYSTEM_ERROR|Can not connect to socket. Error [", 0), 0u);
    EXPECT_EQ(lines.back(), "EVENT|Error in Establishing connection");
    EXPECT_EQ(boxes_.shown, (std::vector<std::string>{"ZEVO: ZEVO network error.", "ZEVO: ZEVO network error"}));
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

TEST_F(GatewaySession, RandomBytesNeverBreakTheSession) {
    Connect();
    std::mt19937 random(1205);
    size_t sent = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> bytes(1 + random() % 64);
        for (auto& b : bytes) {
            b = static_cast<unsigned char>(random());
        }
        if (round % 7 == 0) {  // now and then a plausible length
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
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
