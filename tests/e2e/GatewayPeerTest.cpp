// The gateway simulator against the console's own gateway session, over loopback.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/RestartRequest.h"
#include "link/ZEVOHelper.h"
#include "platform/MessageBox.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"

using namespace testing_support;

namespace {

// Runs qel_gateway under the name qel_ip_<market>.exe with ports chosen by the system.
class Gateway {
public:
    Gateway(const TempDir& dir, const char* market, QStringList arguments) {
        QString link = QString::fromStdString(dir.File(std::string("qel_ip_") + market + ".exe"));
        QFile::link(QEL_GATEWAY_PATH, link);
        process_.setProgram(link);
        process_.setArguments(QStringList{"--log-port", "0", "--interactive-port", "0"} + arguments);
        process_.start();
    }
    ~Gateway() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
        }
    }
    // Reads the ports the gateway announces on its error output.
    bool Ports(std::string* logPort, std::string* interactivePort) {
        static const QRegularExpression pattern(R"(127\.0\.0\.1:(\d+) \(log\) and :(\d+))");
        return PumpUntil([&] {
            errors_ += process_.readAllStandardError();
            auto match = pattern.match(QString::fromLatin1(errors_));
            if (match.hasMatch()) {
                *logPort = match.captured(1).toStdString();
                *interactivePort = match.captured(2).toStdString();
            }
            return match.hasMatch();
        });
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QByteArray errors_;
};

class Sink final : public CMessageSink {
public:
    int RouteMessage(const unsigned char* message, std::uint16_t code) override {
        messages.emplace_back(message, message + ReadU16(message));
        codes.push_back(code);
        return 0;
    }
    void OnConnectionEstablished() override { ++established; }
    void OnConnectionLost() override { ++lost; }
    std::vector<std::vector<unsigned char>> messages;
    std::vector<std::uint16_t> codes;
    int established = 0;
    int lost = 0;
};

}  // namespace

TEST(GatewayPeer, SendsItsVersionThenLogMessagesInTheLongLayout) {
    TempDir dir;
    RecordingBoxes boxes;
    TestLog log;
    Gateway gateway(dir, "fo", {"--rate", "50"});
    std::string logPort, interactivePort;
    ASSERT_TRUE(gateway.Ports(&logPort, &interactivePort));
    Sink sink;
    CZEVOHelper session(log.get());
    session.SetMessageSink(&sink, 2);
    ASSERT_EQ(session.EstablishConnection("127.0.0.1", logPort), 1);
    ASSERT_TRUE(PumpUntil([&] { return sink.messages.size() >= 4; }));
    EXPECT_EQ(sink.established, 1);
    EXPECT_EQ(sink.codes[0], kVersionMessage);
    EXPECT_EQ(ReadI32(sink.messages[0].data() + 30), 40902);
    EXPECT_TRUE(boxes.shown.empty());
    for (size_t i = 1; i < sink.messages.size(); ++i) {
        EXPECT_EQ(sink.codes[i], kLogMessage);
        EXPECT_EQ(sink.messages[i].size(), 42u);  // 32-bit user IDs from release 409 on
    }
}

TEST(GatewayPeer, ScriptedBytesArriveExactly) {
    TempDir dir;
    TestLog log;
    WriteFile(dir.File("script.txt"),
              "# a version, a short log message split in two writes, then a bad length\n"
              "version\n"
              "2800 0000 00000000000000000000000000000000 1027 0000\n"
              "0000 0000000000000100 e22e 05000000\n"
              "0004\n");
    Gateway gateway(dir, "wdm", {"--script", QString::fromStdString(dir.File("script.txt"))});
    std::string logPort, interactivePort;
    ASSERT_TRUE(gateway.Ports(&logPort, &interactivePort));
    Sink sink;
    CZEVOHelper session(log.get());
    session.SetMessageSink(&sink, 3);
    session.EstablishConnection("127.0.0.1", logPort);
    ASSERT_TRUE(PumpUntil([&] { return log.Count("ACTIVITY|Error in length field of Recieved Packet") >= 1; }))
        << ::testing::PrintToString(log.Lines()) << " messages: " << sink.messages.size();
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(ReadI32(sink.messages[0].data() + 30), 30903);
    // The message split over two writes arrives whole, once.
    ASSERT_EQ(sink.messages[1].size(), 40u);
    EXPECT_EQ(ReadU16(sink.messages[1].data() + 34), 12002);
    EXPECT_EQ(ReadI16(sink.messages[1].data() + 32), 1);
    EXPECT_EQ(ReadI32(sink.messages[1].data() + 36), 5);
}

TEST(GatewayPeer, RestartRequestMakesTheGatewayRestart) {
    TempDir dir;
    RecordingBoxes boxes;
    TestLog log;
    Gateway gateway(dir, "cm", {"--rate", "0"});
    std::string logPort, interactivePort;
    ASSERT_TRUE(gateway.Ports(&logPort, &interactivePort));
    CRestartRequest request({"CGenericConfiguration", "kill_qel_exe", "GenericConfiguration.cpp"}, 1,
                            static_cast<std::uint16_t>(std::stoi(interactivePort)), log.get());
    request.Start();
    ASSERT_TRUE(PumpUntil([&] { return gateway.process().state() == QProcess::NotRunning; }));
    EXPECT_EQ(gateway.process().exitCode(), 75);
    EXPECT_TRUE(QString::fromLatin1(gateway.process().readAllStandardError()).contains("restart request (40 bytes)"));
    ASSERT_TRUE(PumpUntil([&] { return log.Count("ACTIVITY|Attempting to close connection...for market CM") == 1; }));
    auto lines = log.Lines();
    std::vector<std::string> expected = {
        "ACTIVITY|Attempting to connect...for market CM",
        "ACTIVITY|Establishing connection to 127.0.0.1:" + interactivePort,
        "EVENT|Connection established.",
        "ACTIVITY|Request to kill CM qel sent.",
        "ACTIVITY|Attempting to close connection...",
        "EVENT|Socket closed successfully.",
        "ACTIVITY|Attempting to close connection...for market CM"};
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(boxes.shown.empty());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
