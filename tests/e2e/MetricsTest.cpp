// zevo-cli metrics as Prometheus takes it: the figures the console shows, promtool's checks of
// the output and of the shipped alerting rules, and node_exporter's textfile collector
// serving what it wrote.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <ctime>
#include <set>

#include "support/CliFixture.h"

using namespace testing_support;

namespace {

using Metrics = CliInstallation;

const std::string kMonitoring = std::string(ZEVO_SOURCE_DIR) + "/packaging/monitoring/";

// The lines of `text` that begin with `prefix`.
std::vector<std::string> LinesOf(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        if (text.compare(at, prefix.size(), prefix) == 0) {
            lines.push_back(text.substr(at, end - at));
        }
    }
    return lines;
}

// What an HTTP server on loopback `port` serves at `path`; empty while nothing answers.
std::string HttpGet(int port, const char* path) {
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!socket.waitForConnected(1000)) {
        return {};
    }
    socket.write(QByteArray("GET ") + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000)) {
    }
    return socket.readAll().toStdString();
}

TEST_F(Metrics, FiguresAsTheConsoleShowsThemWithoutALogLine) {
    const long now = static_cast<long>(std::time(nullptr));
    // Per market the last record of a parameter counts; stale, text and uninstalled
    // markets' figures are left out. zevo-cli reads the clock a moment after `now`, so the
    // figure that counts is well inside the five minutes (the boundary itself is checked on a
    // fake clock by the statistics page's test, through the same IsStaleStatistic).
    WriteFile(layout.StatisticsDir() + "/qel_stats.txt",
              "100,Users connected,12,Nos," + std::to_string(now) + "|\n2,Orders,35.5,Nos/s," +
                  std::to_string(now) + "|\n2,Old figure,7,Nos," + std::to_string(now - 300) +
                  "|\n2,ORDERS,40,Nos/s," + std::to_string(now - 240) + "|\n7,Mode,Normal,," +
                  std::to_string(now) + "|\n3,Trades,5,Nos," + std::to_string(now) +
                  "|\n7,Say \"hi\" \\ now,1e3,ms," + std::to_string(now + 60) +
                  "|\n100,Caf\xe9 orders, 3 ,Nos," + std::to_string(now) + "|\n");
    WriteFile(layout.StatisticsDir() + "/old.txt", "2,Trades,1,Nos," + std::to_string(now - 900));
    const CliResult metrics = Run({"metrics"}, ProcessTable({"qel_ip_fo.exe"}));
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    EXPECT_EQ(LinesOf(metrics.out, "zevo_gateway"),
              (std::vector<std::string>{"zevo_gateway_up{market=\"FO\"} 1",
                                        "zevo_gateway_up{market=\"MF\"} 0",
                                        "zevo_gateway_info{market=\"FO\",version=\"4.09.02\"} 1",
                                        "zevo_gateway_info{market=\"MF\",version=\"3.01.07\"} 1"}));
    EXPECT_EQ(LinesOf(metrics.out, "zevo_fix"),
              (std::vector<std::string>{"zevo_fix_users{market=\"FO\"} 3",
                                        "zevo_fix_users_max{market=\"FO\"} 25"}));
    EXPECT_EQ(
        LinesOf(metrics.out, "zevo_statistic"),
        (std::vector<std::string>{
            "zevo_statistic{market=\"COMMON\",parameter=\"Users connected\",unit=\"Nos\"} 12",
            "zevo_statistic{market=\"FO\",parameter=\"Orders\",unit=\"Nos/s\"} 40",
            "zevo_statistic{market=\"MF\",parameter=\"Say \\\"hi\\\" \\\\ now\",unit=\"ms\"} 1000",
            "zevo_statistic{market=\"COMMON\",parameter=\"Caf\xc3\xa9 orders\",unit=\"Nos\"} 3",
            "zevo_statistics_updated_seconds{file=\"old.txt\"} " + std::to_string(now - 900),
            "zevo_statistics_updated_seconds{file=\"qel_stats.txt\"} " +
                std::to_string(now + 60)}));
    EXPECT_EQ(LinesOf(metrics.out, "# TYPE zevo_metrics_scrape_seconds gauge").size(), 1u);
    EXPECT_TRUE(ListDir(layout.LogDir()).empty());

    const std::string textfile = dir.File("textfile");
    const CliResult missing = Run({"metrics", "--textfile", QString::fromStdString(textfile)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("zevo-cli: " + textfile + "/zevo.prom cannot be written: ", 0), 0u)
        << missing.err;
    std::remove(layout.RegistryPath().c_str());
    EXPECT_EQ(Run({"metrics"}).status, 3);
}

// A label value stays on its sample's line whatever the parameter, the unit or the file name
// holds: a new-line is written as \n, a backslash as \\ and a double quote as \".
TEST_F(Metrics, LabelValuesEscapeNewLinesBackslashesAndDoubleQuotes) {
    const std::string now = std::to_string(static_cast<long>(std::time(nullptr)));
    WriteFile(layout.StatisticsDir() + "/two\nlines.txt",
              "2,Orders\nsent \"today\" \\ all,5,Nos\nper s," + now + "|");
    const CliResult metrics = Run({"metrics"}, ProcessTable({}));
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    EXPECT_EQ(LinesOf(metrics.out, "zevo_statistic"),
              (std::vector<std::string>{
                  "zevo_statistic{market=\"FO\",parameter=\"Orders\\nsent \\\"today\\\" "
                  "\\\\ all\",unit=\"Nos\\nper s\"} 5",
                  "zevo_statistics_updated_seconds{file=\"two\\nlines.txt\"} " + now}))
        << metrics.out;
}

TEST_F(Metrics, UsersByLoginStateFromTheRunningGateways) {
    auto service = StartGateways();
    const std::size_t logs = ListDir(layout.LogDir()).size();
    const CliResult metrics = Run({"metrics", "--users"});
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    int users = 0;
    const QRegularExpression sample(
        "^zevo_gateway_users\\{market=\"MF\",state=\"[a-z_]+\"\\} (\\d+)$");
    for (const std::string& line : LinesOf(metrics.out, "zevo_gateway_users{market=\"MF\"")) {
        const auto match = sample.match(QString::fromStdString(line));
        EXPECT_TRUE(match.hasMatch()) << line;
        users += match.captured(1).toInt();
    }
    EXPECT_EQ(users, 5) << metrics.out;
    EXPECT_EQ(ListDir(layout.LogDir()).size(), logs);
}

// promtool accepts the output and the alerting rules, which fire when they should; every
// zevo_ metric the rules and the dashboard name is one zevo-cli writes.
TEST_F(Metrics, PromtoolAcceptsTheMetricsAndTheAlertingRules) {
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) {
        GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    }
    WriteFile(layout.StatisticsDir() + "/qel_stats.txt",
              "100,Users connected,12,Nos," + std::to_string(std::time(nullptr)) + "|");
    const CliResult metrics = Run({"metrics"}, ProcessTable({"qel_ip_fo.exe"}));
    const CliResult checked = RunProgram(promtool, {"check", "metrics"}, {}, metrics.out);
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err << metrics.out;
    EXPECT_EQ(checked.out + checked.err, "");
    const CliResult rules = RunProgram(
        promtool, {"check", "rules", QString::fromStdString(kMonitoring + "zevo-alerts.yml")});
    EXPECT_EQ(rules.status, 0) << rules.out << rules.err;
    EXPECT_NE(rules.out.find("SUCCESS: 4 rules found"), std::string::npos) << rules.out;
    // When each rule fires, on series as the collector gives them.
    const CliResult fired = RunProgram(
        promtool,
        {"test", "rules", QString(ZEVO_SOURCE_DIR) + "/tests/monitoring/zevo-alerts-test.yml"});
    EXPECT_EQ(fired.status, 0) << fired.out << fired.err;

    std::set<std::string> written;
    for (const std::string& help : LinesOf(metrics.out, "# HELP ")) {
        written.insert(help.substr(7, help.find(' ', 7) - 7));
    }
    written.insert({"zevo_gateway_users", "zevo_statistics_updated_seconds"});  // not in this run
    for (const char* file : {"zevo-alerts.yml", "zevo-dashboard.json"}) {
        const QString text = QString::fromStdString(ReadFile(kMonitoring + file));
        auto names = QRegularExpression("zevo_[a-z_]+").globalMatch(text);
        while (names.hasNext()) {
            const std::string name = names.next().captured().toStdString();
            EXPECT_TRUE(written.count(name)) << file << " names " << name;
        }
    }
}

TEST_F(Metrics, NodeExporterServesTheTextfileForEveryMarket) {
    const QString exporter = QStandardPaths::findExecutable("prometheus-node-exporter");
    if (exporter.isEmpty()) {
        GTEST_SKIP() << "prometheus-node-exporter is not installed";
    }
    const std::string textfile = dir.File("textfile");
    ASSERT_EQ(mkdir(textfile.c_str(), 0755), 0);
    const CliResult written = Run({"metrics", "--textfile", QString::fromStdString(textfile)},
                                  ProcessTable({"qel_ip_mf.exe"}));
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(ListDir(textfile), std::vector<std::string>{"zevo.prom"});

    QTcpServer free;
    ASSERT_TRUE(free.listen(QHostAddress::LocalHost));
    const int port = free.serverPort();
    free.close();
    QProcess node;
    node.start(exporter, {"--collector.disable-defaults", "--collector.textfile",
                          "--collector.textfile.directory=" + QString::fromStdString(textfile),
                          "--web.listen-address=127.0.0.1:" + QString::number(port)});
    ASSERT_TRUE(node.waitForStarted());
    std::string served;
    EXPECT_TRUE(WaitFor([&] { return !(served = HttpGet(port, "/metrics")).empty(); },
                        std::chrono::seconds(20)))
        << node.readAllStandardError().toStdString();
    node.kill();
    node.waitForFinished();
    EXPECT_EQ(LinesOf(served, "zevo_gateway_up"),
              (std::vector<std::string>{"zevo_gateway_up{market=\"FO\"} 0",
                                        "zevo_gateway_up{market=\"MF\"} 1"}))
        << served;
    EXPECT_EQ(LinesOf(served, "node_textfile_scrape_error"),
              std::vector<std::string>{"node_textfile_scrape_error 0"});
}

// The shipped units as systemd reads them, zevo-cli standing where the package puts it.
TEST(MonitoringUnits, SystemdAcceptsTheServiceAndItsTimer) {
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty()) {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    TempDir units;
    std::string service = ReadFile(kMonitoring + "zevo-metrics.service");
    const std::string command =
        "/usr/bin/zevo-cli metrics --textfile /var/lib/prometheus/node-exporter\n";
    ASSERT_NE(service.find("ExecStart=" + command), std::string::npos) << service;
    WriteFile(units.File("zevo-metrics.service"),
              service.replace(service.find("/usr/bin/zevo-cli"), 17, ZEVO_CLI_PATH));
    const std::string timer = ReadFile(kMonitoring + "zevo-metrics.timer");
    EXPECT_NE(timer.find("\nOnUnitActiveSec=15s\n"), std::string::npos) << timer;
    WriteFile(units.File("zevo-metrics.timer"), timer);
    const CliResult verified = RunProgram(
        analyze, {"verify", "--man=no", QString::fromStdString(units.File("zevo-metrics.service")),
                  QString::fromStdString(units.File("zevo-metrics.timer"))});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_EQ(verified.out + verified.err, "");
}

}  // namespace
