// zevo-cli metrics as Prometheus takes it: the figures the console shows, promtool's checks of
// the output and of the shipped alerting rules, node_exporter's textfile collector serving
// what it wrote, and a real Prometheus answering every query of the shipped dashboard.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <ctime>
#include <functional>
#include <map>
#include <set>

#include "StatisticsWriter.h"
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
std::string HttpGet(int port, const std::string& path) {
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
    if (!socket.waitForConnected(1000)) {
        return {};
    }
    socket.write(QByteArray::fromStdString("GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n"));
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000)) {
    }
    return socket.readAll().toStdString();
}

// A loopback port nothing listens on at the moment.
int FreePort() {
    QTcpServer free;
    if (!free.listen(QHostAddress::LocalHost)) {
        return 0;
    }
    return free.serverPort();
}

TEST_F(Metrics, FiguresAsTheConsoleShowsThemWithoutALogLine) {
    const long now = static_cast<long>(std::time(nullptr));
    const std::string at = "," + std::to_string(now) + "|\n";
    // Per market the last record of a parameter counts; stale, text and uninstalled
    // markets' figures are left out. zevo-cli reads the clock a moment after `now`, so the
    // figure that counts is well inside the five minutes (the boundary itself is checked on a
    // fake clock by the statistics page's test, through the same IsStaleStatistic). Figures in
    // ms, MB, % and running counts become metrics of their own in base units.
    WriteFile(layout.StatisticsDir() + "/qel_stats.txt",
              "100,Users connected,12,Nos" + at + "2,Orders,35.5,Nos/s" + at +
                  "2,Old figure,7,Nos," + std::to_string(now - 300) + "|\n2,ORDERS,40,Nos/s," +
                  std::to_string(now - 240) + "|\n7,Mode,Normal," + at + "3,Trades,5,Nos" + at +
                  "7,Say \"hi\" \\ now,1e3,ms," + std::to_string(now + 60) +
                  "|\n100,Caf\xe9 orders, 3 ,Nos" + at + "2,Response Time (ms),7,ms" + at +
                  "7,Response Time,12.5,ms" + at + "7,Response-Time,3,ms" + at +
                  "100,Memory Usage,512,MB" + at + "100,CPU Usage,12,%" + at +
                  "2,Orders sent,1520,count" + at + "100,Total Trades,4000,count" + at +
                  "7,Orders Total,9,count" + at + "7,ms,5,ms" + at);
    WriteFile(layout.StatisticsDir() + "/old.txt", "2,Trades,1,Nos," + std::to_string(now - 900));
    const CliResult metrics = Run({"metrics"}, ProcessTable({"qel_ip_fo.exe"}));
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    EXPECT_EQ(LinesOf(metrics.out, "zevo_installation_readable"),
              std::vector<std::string>{"zevo_installation_readable 1"});
    EXPECT_EQ(LinesOf(metrics.out, "zevo_gateway"),
              (std::vector<std::string>{"zevo_gateway_up{market=\"FO\"} 1",
                                        "zevo_gateway_up{market=\"MF\"} 0",
                                        "zevo_gateway_info{market=\"FO\",version=\"4.09.02\"} 1",
                                        "zevo_gateway_info{market=\"MF\",version=\"3.01.07\"} 1"}));
    EXPECT_EQ(LinesOf(metrics.out, "zevo_fix"),
              (std::vector<std::string>{"zevo_fix_users{market=\"FO\"} 3",
                                        "zevo_fix_users_max{market=\"FO\"} 25"}));
    // A second parameter of a market that would take a metric's name already taken for that
    // market (Response-Time beside Response Time), and one with no word left for a name,
    // stay plain figures with their unit.
    EXPECT_EQ(
        LinesOf(metrics.out, "zevo_statistic"),
        (std::vector<std::string>{
            "zevo_statistic_value{market=\"COMMON\",parameter=\"Users connected\",unit=\"Nos\"} 12",
            "zevo_statistic_value{market=\"FO\",parameter=\"Orders\",unit=\"Nos/s\"} 40",
            "zevo_statistic_value{market=\"COMMON\",parameter=\"Caf\xc3\xa9 orders\",unit=\"Nos\"} "
            "3",
            "zevo_statistic_value{market=\"MF\",parameter=\"Response-Time\",unit=\"ms\"} 3",
            "zevo_statistic_value{market=\"MF\",parameter=\"ms\",unit=\"ms\"} 5",
            "zevo_statistics_updated_seconds{file=\"old.txt\"} " + std::to_string(now - 900),
            "zevo_statistics_updated_seconds{file=\"qel_stats.txt\"} " + std::to_string(now + 60),
            "zevo_statistic_say_hi_now_seconds{market=\"MF\"} 1",
            "zevo_statistic_response_time_seconds{market=\"FO\"} 0.007",
            "zevo_statistic_response_time_seconds{market=\"MF\"} 0.0125",
            "zevo_statistic_memory_usage_bytes{market=\"COMMON\"} 536870912",
            "zevo_statistic_cpu_usage_ratio{market=\"COMMON\"} 0.12",
            "zevo_statistic_orders_sent_total{market=\"FO\"} 1520",
            "zevo_statistic_total_trades_total{market=\"COMMON\"} 4000",
            "zevo_statistic_orders_total{market=\"MF\"} 9"}))
        << metrics.out;
    EXPECT_EQ(LinesOf(metrics.out, "# HELP zevo_statistic_say_hi_now_seconds "),
              std::vector<std::string>{
                  "# HELP zevo_statistic_say_hi_now_seconds The statistics figure \"Say \"hi\" "
                  "\\\\ now\" less than five minutes old, in seconds (the file gives "
                  "milliseconds)."});
    for (const char* type :
         {"# TYPE zevo_statistic_value gauge", "# TYPE zevo_statistic_response_time_seconds gauge",
          "# TYPE zevo_statistic_memory_usage_bytes gauge",
          "# TYPE zevo_statistic_cpu_usage_ratio gauge",
          "# TYPE zevo_statistic_orders_sent_total counter",
          "# TYPE zevo_statistic_total_trades_total counter",
          "# TYPE zevo_metrics_scrape_duration_seconds gauge"}) {
        EXPECT_EQ(LinesOf(metrics.out, type).size(), 1u) << type << '\n' << metrics.out;
    }
    EXPECT_TRUE(ListDir(layout.LogDir()).empty());

    const std::string textfile = dir.File("textfile");
    const CliResult missing = Run({"metrics", "--textfile", QString::fromStdString(textfile)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("zevo-cli: " + textfile + "/zevo.prom cannot be written: ", 0), 0u)
        << missing.err;
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
                  "zevo_statistic_value{market=\"FO\",parameter=\"Orders\\nsent \\\"today\\\" "
                  "\\\\ all\",unit=\"Nos\\nper s\"} 5",
                  "zevo_statistics_updated_seconds{file=\"two\\nlines.txt\"} " + now}))
        << metrics.out;
}

// When the settings store or the process table cannot be read, the textfile is replaced all
// the same, saying so, so that node_exporter does not go on serving the last good state.
TEST_F(Metrics, AnUnreadableInstallationReplacesTheTextfileWithWhatIsKnown) {
    const std::string textfile = dir.File("textfile");
    ASSERT_EQ(mkdir(textfile.c_str(), 0755), 0);
    const std::string written = textfile + "/zevo.prom";
    const std::string registry = layout.RegistryPath();
    const std::string settings = ReadFile(registry);
    WriteFile(layout.StatisticsDir() + "/fo.stat",
              "2,Orders,5,count," + std::to_string(std::time(nullptr)) + "|");
    const std::string table = ProcessTable({"qel_ip_fo.exe"});
    auto writeGood = [&] {
        const CliResult good =
            Run({"metrics", "--textfile", QString::fromStdString(textfile)}, table);
        ASSERT_EQ(good.status, 0) << good.err;
        const std::string text = ReadFile(written);
        ASSERT_EQ(LinesOf(text, "zevo_installation_readable"),
                  std::vector<std::string>{"zevo_installation_readable 1"});
        ASSERT_EQ(LinesOf(text, "zevo_gateway_up{market=\"FO\"} 1").size(), 1u) << text;
    };

    std::vector<std::pair<std::string, std::function<void()>>> stores = {
        {"missing", [&] { std::remove(registry.c_str()); }},
        {"empty", [&] { WriteFile(registry, ""); }},
        {"garbage", [&] { WriteFile(registry, std::string("\x01\xff garbage\n[[[\n\0", 18)); }},
        {"a folder",
         [&] {
             std::remove(registry.c_str());
             mkdir(registry.c_str(), 0755);
         }},
    };
    // Root reads a file of mode 000, so only another account can see that one fail.
    if (geteuid() != 0) {
        stores.push_back({"mode 000", [&] { chmod(registry.c_str(), 0); }});
    }
    for (const auto& [store, spoil] : stores) {
        SCOPED_TRACE("settings store " + store);
        rmdir(registry.c_str());
        WriteFile(registry, settings);
        chmod(registry.c_str(), 0644);
        writeGood();
        spoil();
        const CliResult failed =
            Run({"metrics", "--textfile", QString::fromStdString(textfile)}, table);
        EXPECT_EQ(failed.status, 3);
        EXPECT_EQ(failed.err.rfind("zevo-cli: the installation cannot be read: ", 0), 0u)
            << failed.err;
        EXPECT_EQ(failed.out, "");
        const std::string text = ReadFile(written);
        EXPECT_EQ(LinesOf(text, "zevo_installation_readable"),
                  std::vector<std::string>{"zevo_installation_readable 0"});
        EXPECT_EQ(LinesOf(text, "zevo_gateway"), std::vector<std::string>{}) << text;
        EXPECT_EQ(LinesOf(text, "zevo_statistic"), std::vector<std::string>{}) << text;
        EXPECT_EQ(LinesOf(text, "zevo_metrics_scrape_duration_seconds ").size(), 1u) << text;
    }
    // Printed, it says the same.
    const CliResult printed = Run({"metrics"}, table);
    EXPECT_EQ(printed.status, 3);
    EXPECT_EQ(LinesOf(printed.out, "zevo_installation_readable"),
              std::vector<std::string>{"zevo_installation_readable 0"});

    // Without the process table no gateway is known to run or not; the files' figures are.
    rmdir(registry.c_str());
    WriteFile(registry, settings);
    writeGood();
    const CliResult blind =
        Run({"metrics", "--textfile", QString::fromStdString(textfile)}, dir.File("no-proc"));
    EXPECT_EQ(blind.status, 3);
    EXPECT_EQ(blind.err.rfind("zevo-cli: the process table cannot be read: ", 0), 0u) << blind.err;
    const std::string text = ReadFile(written);
    EXPECT_EQ(LinesOf(text, "zevo_installation_readable"),
              std::vector<std::string>{"zevo_installation_readable 0"});
    EXPECT_EQ(LinesOf(text, "zevo_gateway"), std::vector<std::string>{}) << text;
    EXPECT_EQ(LinesOf(text, "zevo_fix_users{"),
              std::vector<std::string>{"zevo_fix_users{market=\"FO\"} 3"});
    EXPECT_EQ(LinesOf(text, "zevo_statistic_orders_total"),
              std::vector<std::string>{"zevo_statistic_orders_total{market=\"FO\"} 5"});
}

// Per login state, as `zevo-cli users MARKET` lists each running gateway's users; all the
// gateways are asked at once.
TEST_F(Metrics, UsersByLoginStateFromEveryRunningGateway) {
    auto service = StartGateways();
    const std::size_t logs = ListDir(layout.LogDir()).size();
    const CliResult metrics = Run({"metrics", "--users"});
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    EXPECT_EQ(metrics.err, "");
    const QRegularExpression sample(
        "^zevo_gateway_users\\{market=\"([A-Z]+)\",state=\"([a-z_-]+)\"\\} (\\d+)$");
    std::map<std::string, std::map<std::string, int>> counted;
    for (const std::string& line : LinesOf(metrics.out, "zevo_gateway_users")) {
        const auto match = sample.match(QString::fromStdString(line));
        ASSERT_TRUE(match.hasMatch()) << line;
        counted[match.captured(1).toStdString()][match.captured(2).toStdString()] =
            match.captured(3).toInt();
    }
    for (const std::string market : {"FO", "MF"}) {
        SCOPED_TRACE(market);
        std::map<std::string, int> listed = {{"logged_off", 0},
                                             {"logged_on", 0},
                                             {"logoff_in_progress", 0},
                                             {"logon_in_progress", 0}};
        const CliResult users = Run({"users", QString::fromStdString(market), "--no-header"});
        ASSERT_EQ(users.status, 0) << users.err;
        for (const std::string& line : LinesOf(users.out, "user ")) {
            ++listed[line.substr(line.find_last_of(' ') + 1)];
        }
        EXPECT_EQ(counted[market], listed) << metrics.out << users.out;
    }
    int mf = 0;
    for (const auto& [state, count] : counted["MF"]) {
        mf += count;
    }
    EXPECT_EQ(mf, 5) << metrics.out;
    EXPECT_EQ(ListDir(layout.LogDir()).size(), logs);
}

// promtool accepts the output, whatever the units of the figures, and the alerting rules,
// which fire when they should; every zevo_ metric the rules and the dashboard name is one
// zevo-cli writes.
TEST_F(Metrics, PromtoolAcceptsTheMetricsAndTheAlertingRules) {
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) {
        GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    }
    const std::int64_t now = std::time(nullptr);
    WriteFile(layout.StatisticsDir() + "/common.stat", StatisticsWriter::Records(100, now, 3));
    WriteFile(layout.StatisticsDir() + "/fo.stat",
              StatisticsWriter::Records(2, now, 3) + "2,Latency ms,4,ms," + std::to_string(now) +
                  "|\n2,Heap megabytes,3,MB," + std::to_string(now) + "|\n2,Gauge counter,1,%," +
                  std::to_string(now) + "|\n2,Fills total,8,count," + std::to_string(now) + "|");
    const CliResult metrics = Run({"metrics"}, ProcessTable({"qel_ip_fo.exe"}));
    ASSERT_EQ(metrics.status, 0) << metrics.err;
    for (const char* name :
         {"zevo_statistic_latency_seconds{", "zevo_statistic_heap_bytes{",
          "zevo_statistic_memory_usage_bytes{", "zevo_statistic_cpu_usage_ratio{",
          "zevo_statistic_total_orders_total{", "zevo_statistic_fills_total{"}) {
        EXPECT_EQ(LinesOf(metrics.out, name).size(), 1u) << name << '\n' << metrics.out;
    }
    const CliResult checked = RunProgram(promtool, {"check", "metrics"}, {}, metrics.out);
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err << metrics.out;
    EXPECT_EQ(checked.out + checked.err, "");
    std::remove(layout.RegistryPath().c_str());
    const CliResult unreadable = Run({"metrics"});
    EXPECT_EQ(unreadable.status, 3);
    const CliResult checkedUnreadable =
        RunProgram(promtool, {"check", "metrics"}, {}, unreadable.out);
    EXPECT_EQ(checkedUnreadable.status, 0) << checkedUnreadable.out << checkedUnreadable.err;
    EXPECT_EQ(checkedUnreadable.out + checkedUnreadable.err, "");

    const CliResult rules = RunProgram(
        promtool, {"check", "rules", QString::fromStdString(kMonitoring + "zevo-alerts.yml")});
    EXPECT_EQ(rules.status, 0) << rules.out << rules.err;
    EXPECT_NE(rules.out.find("SUCCESS: 5 rules found"), std::string::npos) << rules.out;
    // When each rule fires, on series as the collector gives them.
    const CliResult fired = RunProgram(
        promtool,
        {"test", "rules", QString(ZEVO_SOURCE_DIR) + "/tests/monitoring/zevo-alerts-test.yml"});
    EXPECT_EQ(fired.status, 0) << fired.out << fired.err;

    std::set<std::string> written;
    for (const std::string& help : LinesOf(metrics.out + unreadable.out, "# HELP ")) {
        written.insert(help.substr(7, help.find(' ', 7) - 7));
    }
    written.insert("zevo_gateway_users");  // not in this run
    for (const char* file : {"zevo-alerts.yml", "zevo-dashboard.json"}) {
        const QString text = QString::fromStdString(ReadFile(kMonitoring + file));
        auto names = QRegularExpression("zevo_[a-z_]+").globalMatch(text);
        while (names.hasNext()) {
            // A name ending in _ begins a pattern (zevo_statistic_.+_seconds).
            const std::string name = names.next().captured().toStdString();
            EXPECT_TRUE(name.back() == '_' ? written.lower_bound(name) != written.end() &&
                                                 written.lower_bound(name)->rfind(name, 0) == 0
                                           : written.count(name) == 1)
                << file << " names " << name;
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

    const int port = FreePort();
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

// A program started for a test, ended with it.
struct Started {
    ~Started() {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
};

// The JSON answer of Prometheus's HTTP API at `path` (a query's "data"); empty while it does
// not answer, or when the query failed.
QJsonValue PrometheusData(int port, const std::string& path) {
    const std::string reply = HttpGet(port, path);
    const std::size_t body = reply.find("\r\n\r\n");
    if (body == std::string::npos) {
        return {};
    }
    const QJsonObject answer =
        QJsonDocument::fromJson(QByteArray::fromStdString(reply.substr(body + 4))).object();
    return answer.value("status").toString() == "success" ? answer.value("data") : QJsonValue();
}

std::string Encoded(const std::string& text) {
    return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
}

// `text` with each "$name" and "${name}" of `values` replaced.
std::string Substituted(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [name, value] : values) {
        for (const std::string& placeholder : {"${" + name + "}", "$" + name}) {
            for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) {
                text.replace(at, placeholder.size(), value);
            }
        }
    }
    return text;
}

// Every query of the shipped dashboard, with its variables as Grafana fills them ("All"
// chosen), answered by a real Prometheus that scrapes node_exporter serving what
// zevo-cli metrics --users wrote for a running installation: each gives series.
TEST_F(Metrics, EveryDashboardQueryGivesSeriesFromPrometheus) {
    const QString prometheus = QStandardPaths::findExecutable("prometheus");
    const QString exporter = QStandardPaths::findExecutable("prometheus-node-exporter");
    if (prometheus.isEmpty() || exporter.isEmpty()) {
        GTEST_SKIP() << "prometheus or prometheus-node-exporter is not installed";
    }
    const QJsonObject dashboard =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(ReadFile(kMonitoring + "zevo-dashboard.json")))
            .object();
    ASSERT_FALSE(dashboard.isEmpty());
    // Imported, it asks for one Prometheus data source, which every query uses.
    const QJsonArray inputs = dashboard.value("__inputs").toArray();
    ASSERT_EQ(inputs.size(), 1);
    EXPECT_EQ(inputs[0].toObject().value("name").toString(), "DS_PROMETHEUS");
    EXPECT_EQ(inputs[0].toObject().value("type").toString(), "datasource");
    EXPECT_EQ(inputs[0].toObject().value("pluginId").toString(), "prometheus");
    int sources = 0;
    std::function<void(const QJsonValue&)> checkSources = [&](const QJsonValue& value) {
        if (value.isArray()) {
            for (const QJsonValue& item : value.toArray()) {
                checkSources(item);
            }
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                if (it.key() == "datasource") {
                    ++sources;
                    EXPECT_EQ(it.value().toObject().value("uid").toString(), "${DS_PROMETHEUS}");
                } else {
                    checkSources(it.value());
                }
            }
        }
    };
    checkSources(dashboard.value("panels"));
    checkSources(dashboard.value("templating"));
    EXPECT_GT(sources, 0);

    auto service = StartGateways();
    StatisticsWriter(layout.StatisticsDir(), {2, 7}).WriteAll(std::time(nullptr));
    const std::string textfile = dir.File("textfile");
    ASSERT_EQ(mkdir(textfile.c_str(), 0755), 0);
    const CliResult written =
        Run({"metrics", "--users", "--textfile", QString::fromStdString(textfile)});
    ASSERT_EQ(written.status, 0) << written.err;

    const int nodePort = FreePort();
    Started node;
    node.process.start(exporter,
                       {"--collector.disable-defaults", "--collector.textfile",
                        "--collector.textfile.directory=" + QString::fromStdString(textfile),
                        "--web.listen-address=127.0.0.1:" + QString::number(nodePort)});
    ASSERT_TRUE(node.process.waitForStarted());
    const int port = FreePort();
    WriteFile(dir.File("prometheus.yml"),
              "global:\n  scrape_interval: 1s\n"
              "scrape_configs:\n  - job_name: node\n"
              "    static_configs:\n      - targets: ['127.0.0.1:" +
                  std::to_string(nodePort) + "']\n");
    Started server;
    server.process.setProcessChannelMode(QProcess::MergedChannels);
    server.process.start(prometheus,
                         {"--config.file=" + QString::fromStdString(dir.File("prometheus.yml")),
                          "--storage.tsdb.path=" + QString::fromStdString(dir.File("tsdb")),
                          "--web.listen-address=127.0.0.1:" + QString::number(port)});
    ASSERT_TRUE(server.process.waitForStarted());
    // Two scrapes at least, so that a rate has two samples.
    const std::string scraped =
        "/api/v1/query?query=" + Encoded("count_over_time(zevo_installation_readable[1m]) >= 2");
    ASSERT_TRUE(WaitFor(
        [&] {
            const QJsonValue data = PrometheusData(port, scraped);
            return !data.toObject().value("result").toArray().isEmpty();
        },
        std::chrono::seconds(30)))
        << server.process.readAll().toStdString();

    // The variables in order, each query filled with those before it: "All" is the
    // variable's allValue, or else every value it offers as one regular expression.
    std::map<std::string, std::string> chosen = {{"__rate_interval", "1m"}, {"__interval", "15s"}};
    std::map<std::string, std::vector<std::string>> offered;
    const QRegularExpression labelValues("^label_values\\((.*),\\s*([A-Za-z_]+)\\)$");
    for (const QJsonValue& item :
         dashboard.value("templating").toObject().value("list").toArray()) {
        const QJsonObject variable = item.toObject();
        const std::string name = variable.value("name").toString().toStdString();
        SCOPED_TRACE("variable " + name);
        const auto query = labelValues.match(QString::fromStdString(Substituted(
            variable.value("query").toObject().value("query").toString().toStdString(), chosen)));
        ASSERT_TRUE(query.hasMatch());
        const QJsonValue series = PrometheusData(
            port, "/api/v1/series?match[]=" + Encoded(query.captured(1).toStdString()));
        QString pattern = variable.value("regex").toString();
        if (pattern.startsWith('/') && pattern.endsWith('/')) {
            pattern = pattern.mid(1, pattern.size() - 2);
        }
        const QRegularExpression regex(pattern);
        std::set<std::string> values;
        for (const QJsonValue& labels : series.toArray()) {
            const QString value = labels.toObject().value(query.captured(2)).toString();
            const auto kept = regex.match(value);
            if (!value.isEmpty() && kept.hasMatch()) {
                values.insert((kept.lastCapturedIndex() > 0 && !kept.captured("value").isEmpty()
                                   ? kept.captured("value")
                                   : value)
                                  .toStdString());
            }
        }
        EXPECT_FALSE(values.empty()) << query.captured(1).toStdString();
        offered[name].assign(values.begin(), values.end());
        std::string all = variable.value("allValue").toString().toStdString();
        if (all.empty()) {
            for (const std::string& value : values) {
                all += (all.empty() ? "(" : "|") +
                       QRegularExpression::escape(QString::fromStdString(value))
                           .replace("\\", "\\\\")
                           .toStdString();
            }
            all += ")";
        }
        chosen[name] = all;
    }

    std::set<std::string> markets;
    int queries = 0;
    for (const QJsonValue& item : dashboard.value("panels").toArray()) {
        const QJsonObject panel = item.toObject();
        // A repeated panel is one panel per value of its variable.
        const std::string repeat = panel.value("repeat").toString().toStdString();
        std::vector<std::map<std::string, std::string>> fillings;
        if (repeat.empty()) {
            fillings.push_back(chosen);
        } else {
            for (const std::string& value : offered[repeat]) {
                fillings.push_back(chosen);
                fillings.back()[repeat] = value;
            }
        }
        for (const QJsonValue& target : panel.value("targets").toArray()) {
            for (const auto& filling : fillings) {
                const std::string expr =
                    Substituted(target.toObject().value("expr").toString().toStdString(), filling);
                SCOPED_TRACE(panel.value("title").toString().toStdString() + ": " + expr);
                ++queries;
                const QJsonValue data =
                    PrometheusData(port, "/api/v1/query?query=" + Encoded(expr));
                const QJsonArray result = data.toObject().value("result").toArray();
                EXPECT_FALSE(result.isEmpty())
                    << HttpGet(port, "/api/v1/query?query=" + Encoded(expr));
                for (const QJsonValue& series : result) {
                    const QString market =
                        series.toObject().value("metric").toObject().value("market").toString();
                    if (!market.isEmpty()) {
                        markets.insert(market.toStdString());
                    }
                }
            }
        }
    }
    EXPECT_GE(queries, 10);
    // "All" markets takes in the Common page's figures, which no gateway has.
    EXPECT_EQ(markets, (std::set<std::string>{"COMMON", "FO", "MF"}));
}

// The shipped units as systemd reads them, zevo-cli standing where the install puts it (the
// service is written at install time with the install's own folder for programs).
TEST(MonitoringUnits, SystemdAcceptsTheServiceAndItsTimer) {
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty()) {
        GTEST_SKIP() << "systemd-analyze is not installed";
    }
    TempDir units;
    std::string service = ReadFile(kMonitoring + "zevo-metrics.service.in");
    const std::string program = "@CMAKE_INSTALL_FULL_BINDIR@/zevo-cli";
    const std::string command =
        program + " metrics --users --textfile /var/lib/prometheus/node-exporter\n";
    ASSERT_NE(service.find("ExecStart=" + command), std::string::npos) << service;
    WriteFile(units.File("zevo-metrics.service"),
              service.replace(service.find(program), program.size(), ZEVO_CLI_PATH));
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
