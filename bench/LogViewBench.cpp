// Streams a flood of gateway log messages over loopback into a real log view on the
// offscreen platform and reports rows per second, memory per retained row and the GUI
// thread's longest stall, beside the same receive path with no view, in one run.
//
//   log_view_bench [rows]     (default 1000000)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <thread>

#include "GatewayMessages.h"
#include "core/MarketType.h"
#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"

namespace {

// The gateway's end: listens on a free loopback port and, once a console connects, writes
// the version message and `rows` log messages as fast as the socket takes them.
class Flood {
public:
    explicit Flood(int rows) {
        const auto version = gateway::VersionMessage(30903);
        m_bytes.assign(version.begin(), version.end());
        for (int i = 0; i < rows; ++i) {
            const auto message = gateway::LogMessage(false, 1772460309 + i, 1000 + i % 500,
                                                     static_cast<std::uint16_t>(11000 + i % 27), i);
            m_bytes.insert(m_bytes.end(), message.begin(), message.end());
        }
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 1);
        socklen_t size = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_writer = std::thread([this] {
            const int client = accept(m_listener, nullptr, nullptr);
            // One write per message, as a gateway writes them.
            std::size_t sent = 0;
            while (client >= 0 && sent < m_bytes.size()) {
                const std::size_t length = m_bytes[sent] | (m_bytes[sent + 1] << 8);
                const ssize_t n = send(client, m_bytes.data() + sent, length, MSG_NOSIGNAL);
                if (n <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(n);
            }
            // The end of the stream tells the console the flood is over.
            shutdown(client, SHUT_WR);
            m_client = client;
        });
    }
    ~Flood() {
        m_writer.join();
        if (m_client >= 0) {
            close(m_client);
        }
        close(m_listener);
    }
    std::string Port() const { return std::to_string(m_port); }

private:
    std::vector<unsigned char> m_bytes;
    int m_listener = -1;
    int m_client = -1;
    int m_port = 0;
    std::thread m_writer;
};

// The receive path without a view: counts log messages.
class CountingSink final : public CMessageSink {
public:
    int RouteMessage(const unsigned char*, std::uint16_t code) override {
        rows += code == 10000;
        return 0;
    }
    void OnConnectionEstablished() override {}
    void OnConnectionLost() override { closed = true; }
    long rows = 0;
    bool closed = false;
};

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

struct Run {
    double seconds = 0;
    long longestStallMs = 0;
};

// Runs the event loop until `done`, timing it and watching the longest gap between ticks of
// a 5 ms timer: the longest the GUI thread could not answer.
Run Measure(const std::function<bool()>& done) {
    Run run;
    QElapsedTimer clock, sinceTick;
    clock.start();
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestStallMs = std::max(run.longestStallMs, static_cast<long>(sinceTick.elapsed()));
        sinceTick.restart();
    });
    ticker.start(5);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    run.seconds = clock.elapsed() / 1000.0;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;

    Run bare;
    long bareRows = 0;
    long viewRows = 0;
    {
        Flood flood(rows);
        CountingSink sink;
        CZEVOHelper session(nullptr);
        session.SetMessageSink(&sink, WDM);
        session.EstablishConnection("127.0.0.1", flood.Port());
        bare = Measure([&] { return sink.closed; });
        bareRows = sink.rows;
    }

    Run viewed;
    long memoryPerRow = 0;
    {
        CGenericLogs page(nullptr, nullptr);
        page.SetMarketType(WDM);
        page.resize(1000, 500);
        page.show();
        QCoreApplication::processEvents();
        Flood flood(rows);  // its send buffer is resident before the measurement starts
        const long before = ResidentBytes();
        page.InitConnectionData({&page, 0, std::stoi(flood.Port()), nullptr});
        page.Session()->EstablishConnection(page.GatewayAddress(), page.GatewayPort());
        viewed = Measure([&] { return page.Session()->Transport().Socket() < 0; });
        page.Model().Flush();
        viewRows = page.Model().rowCount();
        memoryPerRow = viewRows ? (ResidentBytes() - before) / viewRows : 0;
    }

    const double bareRate = bareRows / bare.seconds;
    const double viewRate = viewRows / viewed.seconds;
    // A message that arrives cut across two reads is dropped by the receive path by design;
    // the counts show how many rows each run really got.
    std::printf("messages sent             %d per run\n", rows);
    std::printf("rows received             %ld without a view, %ld into the view\n", bareRows, viewRows);
    std::printf("receive path, no view     %.0f rows/s (longest GUI stall %ld ms)\n", bareRate, bare.longestStallMs);
    std::printf("into the log view         %.0f rows/s (longest GUI stall %ld ms)\n", viewRate, viewed.longestStallMs);
    std::printf("view / no view            %.2f\n", viewRate / bareRate);
    std::printf("memory per retained row   %ld bytes (resident growth while the view filled)\n", memoryPerRow);
    return 0;
}
