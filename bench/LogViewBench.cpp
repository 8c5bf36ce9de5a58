// Floods a gateway's log port over loopback, one write per message as a gateway writes them,
// and takes the same flood in three ways:
//
//   bare     a plain blocking receive loop that only finds the message boundaries: the
//            baseline the view is held against;
//   session  the gateway session with a sink that counts, activity log in a real file;
//   view     the real log page on the offscreen platform, activity log in a real file.
//
// The bare and view runs take turns, three rounds, so a busy machine weighs on both alike;
// rates are the rounds' medians, rows the fewest any round got, the stall and the memory the
// worst round's. It reports rows per second, the receiving thread's CPU time per row, the heap
// that grew while the view filled (its rows in the model and in the list view) per row, the
// GUI thread's longest stall and the length-field errors in the activity logs, and ends with
// one summary line:
//
//   sent=N bare_rows=.. bare_rate=.. view_rows=.. view_rate=.. ratio=.. bare_cpu_us_per_row=..
//   view_cpu_us_per_row=.. bytes_per_row=.. max_stall_ms=.. max_busy_ms=.. length_errors=..
//
// max_stall_ms is the longest gap between ticks of the GUI thread's 5 ms timer; max_busy_ms the
// most CPU time the thread itself spent in such a gap (the rest went to the sender).
//
// The rate ratio says little on its own: the sender's one write per message limits both runs.
// The CPU time per row of the view against the bare loop is the figure to watch.
//
//   log_view_bench [messages]     (default 1000000)

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "GatewayMessages.h"
#include "ProcessCost.h"
#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/MessageSink.h"
#include "link/ZEVOHelper.h"
#include "support/LoopbackGateway.h"
#include "support/TestLog.h"
#include "views/GenericLogs.h"
#include "views/LogMessageModel.h"

using testing_support::LoopbackGateway;

namespace {

const char* const kLengthError = "ACTIVITY|Error in length field of Recieved Packet";

// The gateway's side of every run: its version, then `messages` log messages.
LoopbackGateway::Bytes Flood(int messages) {
    const auto version = gateway::VersionMessage(30903);
    LoopbackGateway::Bytes bytes(version.begin(), version.end());
    bytes.reserve(bytes.size() + static_cast<std::size_t>(messages) * 40);
    for (int i = 0; i < messages; ++i) {
        const auto message = gateway::LogMessage(false, 1772460309 + i, 1000 + i % 500,
                                                 static_cast<std::uint16_t>(11000 + i % 27), i);
        bytes.insert(bytes.end(), message.begin(), message.end());
    }
    return bytes;
}

// Heap in use, both what the arena holds and the large blocks mapped on their own, and the
// pages the row store maps for itself.
std::size_t HeapInUse() {
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}
std::size_t MemoryInUse() {
    return std::max(HeapInUse(), RssAnonBytes());
}

struct Run {
    long rows = 0;
    double seconds = 0;
    double cpuSeconds = 0;  // of this thread, which does all the receiving
    long longestStallMs = 0;
    // The most CPU time the GUI thread spent between two ticks: the part of a stall that is
    // its own work, not the time the machine gave to other threads (the sender's, here).
    double longestBusyMs = 0;
    double Rate() const { return seconds > 0 ? rows / seconds : 0; }
    double CpuNanosPerRow() const { return rows > 0 ? cpuSeconds * 1e9 / rows : 0; }
};

// A plain receive loop on a blocking socket: reads up to 64 KiB at a time and counts the log
// messages by their length fields, until the gateway ends the stream.
Run BareReceive(const LoopbackGateway::Bytes& flood) {
    LoopbackGateway gateway;
    gateway.Stream(flood, LoopbackGateway::OneMessagePerWrite);
    Run run;
    QElapsedTimer clock;
    clock.start();
    const double cpu = ThreadCpuSeconds();
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(gateway.Port())));
    if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return run;
    }
    std::vector<unsigned char> buffer(64 * 1024 + kMaxMessageLength);
    std::size_t held = 0;
    for (;;) {
        const ssize_t n = recv(client, buffer.data() + held, 64 * 1024, 0);
        if (n <= 0) {
            break;
        }
        held += static_cast<std::size_t>(n);
        std::size_t at = 0;
        while (InspectInboundFrame(buffer.data() + at, held - at) == InboundFrame::kWhole) {
            run.rows += ReadU16(buffer.data() + at + kMessageCodeOffset) == kLogMessage;
            at += ReadU16(buffer.data() + at);
        }
        if (InspectInboundFrame(buffer.data() + at, held - at) == InboundFrame::kBadLength) {
            std::fprintf(stderr, "bare receive: bad length field\n");
            break;
        }
        std::copy(buffer.begin() + static_cast<long>(at), buffer.begin() + static_cast<long>(held),
                  buffer.begin());
        held -= at;
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.cpuSeconds = ThreadCpuSeconds() - cpu;
    close(client);
    return run;
}

// Runs the event loop until `done`, timing it and watching the longest gap between ticks of
// a 5 ms timer: the longest the GUI thread could not answer.
void Measure(Run& run, const std::function<bool()>& done) {
    QElapsedTimer clock, sinceTick;
    clock.start();
    sinceTick.start();
    const double cpu = ThreadCpuSeconds();
    QTimer ticker;
    double tickCpu = cpu;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestStallMs = std::max(run.longestStallMs, static_cast<long>(sinceTick.elapsed()));
        sinceTick.restart();
        const double now = ThreadCpuSeconds();
        run.longestBusyMs = std::max(run.longestBusyMs, (now - tickCpu) * 1e3);
        tickCpu = now;
    });
    ticker.start(5);
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    run.longestStallMs = std::max(run.longestStallMs, static_cast<long>(sinceTick.elapsed()));
    run.seconds = clock.nsecsElapsed() / 1e9;
    run.cpuSeconds = ThreadCpuSeconds() - cpu;
}

// The receive path without a view: counts log messages.
class CountingSink final : public CMessageSink {
  public:
    int RouteMessage(const unsigned char*, std::uint16_t code) override {
        rows += code == kLogMessage;
        return 0;
    }
    void OnConnectionEstablished() override {}
    void OnConnectionLost() override { closed = true; }
    long rows = 0;
    bool closed = false;
};

Run SessionReceive(const LoopbackGateway::Bytes& flood, testing_support::TestLog& log) {
    LoopbackGateway gateway;
    gateway.Stream(flood, LoopbackGateway::OneMessagePerWrite);
    CountingSink sink;
    CZEVOHelper session(log.get());
    session.SetMessageSink(&sink, WDM);
    Run run;
    session.EstablishConnection("127.0.0.1", gateway.Port());
    Measure(run, [&] { return sink.closed; });
    run.rows = sink.rows;
    return run;
}

struct ViewRun : Run {
    std::size_t heapGrowth = 0;  // while the view filled: its rows in the model and the view
    std::size_t rowStore = 0;    // the model's own share, freed when the list is emptied
    double BytesPerRow() const { return rows > 0 ? static_cast<double>(heapGrowth) / rows : 0; }
};

ViewRun ViewReceive(const LoopbackGateway::Bytes& flood, testing_support::TestLog& log) {
    ViewRun run;
    CGenericLogs page(log.get(), nullptr);
    page.SetMarketType(WDM);
    page.resize(1000, 500);
    page.show();
    QCoreApplication::processEvents();
    LoopbackGateway gateway;
    gateway.Stream(flood, LoopbackGateway::OneMessagePerWrite);
    const std::size_t before = MemoryInUse();
    page.InitConnectionData({&page, 0, std::stoi(gateway.Port()), log.get()});
    page.Session()->EstablishConnection(page.GatewayAddress(), page.GatewayPort());
    Measure(run, [&] { return page.Session()->Transport().Socket() < 0; });
    page.Model().Flush();
    QCoreApplication::processEvents();
    run.rows = page.Model().RowCount();
    const std::size_t filled = MemoryInUse();
    page.Model().Clear();
    QCoreApplication::processEvents();
    const std::size_t cleared = MemoryInUse();
    run.heapGrowth = filled > before ? filled - before : 0;
    run.rowStore = filled > cleared ? filled - cleared : 0;
    return run;
}

template <typename T>
T Median(std::vector<T> runs) {
    std::sort(runs.begin(), runs.end(), [](const T& a, const T& b) { return a.Rate() < b.Rate(); });
    return runs[runs.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1000000;
    constexpr int kRounds = 3;
    const LoopbackGateway::Bytes flood = Flood(messages);

    testing_support::TestLog sessionLog;
    const Run session = SessionReceive(flood, sessionLog);
    testing_support::TestLog viewLog;
    std::vector<Run> bares;
    std::vector<ViewRun> views;
    for (int round = 0; round < kRounds; ++round) {
        bares.push_back(BareReceive(flood));
        views.push_back(ViewReceive(flood, viewLog));
    }

    const Run bare = Median(bares);
    const ViewRun view = Median(views);
    long bareRows = messages, viewRows = messages, longestStallMs = 0;
    double longestBusyMs = 0;
    double bytesPerRow = 0;
    for (int round = 0; round < kRounds; ++round) {
        bareRows = std::min(bareRows, bares[round].rows);
        viewRows = std::min(viewRows, views[round].rows);
        longestStallMs = std::max(longestStallMs, views[round].longestStallMs);
        longestBusyMs = std::max(longestBusyMs, views[round].longestBusyMs);
        bytesPerRow = std::max(bytesPerRow, views[round].BytesPerRow());
        std::printf(
            "round %d                   plain loop %.0f rows/s, view %.0f rows/s (%ld rows, stall "
            "%ld ms, busy %.1f ms)\n",
            round + 1, bares[round].Rate(), views[round].Rate(), views[round].rows,
            views[round].longestStallMs, views[round].longestBusyMs);
    }
    const std::size_t lengthErrors = sessionLog.Count(kLengthError) + viewLog.Count(kLengthError);
    const double ratio = bare.Rate() > 0 ? view.Rate() / bare.Rate() : 0;
    std::printf("messages sent             %d per run, one write each\n", messages);
    std::printf("plain receive loop        %.0f rows/s, %.0f ns CPU per row\n", bare.Rate(),
                bare.CpuNanosPerRow());
    std::printf(
        "session, no view          %.0f rows/s, %.0f ns CPU per row (%ld rows, stall %ld ms)\n",
        session.Rate(), session.CpuNanosPerRow(), session.rows, session.longestStallMs);
    std::printf("into the log view         %.0f rows/s, %.0f ns CPU per row\n", view.Rate(),
                view.CpuNanosPerRow());
    std::printf(
        "heap for retained rows    %zu bytes, %.1f bytes per row (%.1f in the model's store, the "
        "rest in the list view)\n",
        view.heapGrowth, view.BytesPerRow(),
        view.rows ? static_cast<double>(view.rowStore) / view.rows : 0.0);
    std::printf(
        "activity log lines        %zu (session), %zu (view, %d runs); length-field errors %zu\n",
        sessionLog.Lines().size(), viewLog.Lines().size(), kRounds, lengthErrors);
    std::printf(
        "sent=%d bare_rows=%ld bare_rate=%.0f view_rows=%ld view_rate=%.0f ratio=%.2f "
        "bare_cpu_us_per_row=%.3f view_cpu_us_per_row=%.3f bytes_per_row=%.1f max_stall_ms=%ld "
        "max_busy_ms=%.1f length_errors=%zu\n",
        messages, bareRows, bare.Rate(), viewRows, view.Rate(), ratio, bare.CpuNanosPerRow() / 1e3,
        view.CpuNanosPerRow() / 1e3, bytesPerRow, longestStallMs, longestBusyMs, lengthErrors);
    return 0;
}
