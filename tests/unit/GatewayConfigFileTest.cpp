// The gateway configuration file's save on random files as operators keep them: whatever
// the file holds around the values, one changed value changes the bytes of that value only.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <sstream>

#include "config/GatewayConfigFile.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

using V = GatewayConfigValues;

// A key, the form value it is edited through, what the operator types there, what the file
// then holds, and valid values as a file may hold them (separated by blanks).
struct Field {
    const char* key;
    std::string V::*shown;
    const char* typed;
    const char* written;
    const char* values;
};

const Field kFields[] = {
    {"MACHINE_LAN_IP", &V::localIp, "10.9.9.9", "10.9.9.9", "127.0.0.1 10.1.1.5 010.001.1.5"},
    {"MACHINE_WAN_IP", &V::wanIp, "10.8.8.8", "10.8.8.8", "10.20.30.42 192.168.7.7"},
    {"PRIMARY_HOST_IP", &V::hostIp, "172.19.1.1", "172.19.1.1", "172.19.12.12 172.19.12.99"},
    {"HOST_PORT_NUMBER", &V::hostPort, "0777", "777", "10202 65535 00042"},
    {"BOX_ID", &V::boxId, "31", "31", "100 32767 0000000001"},
    {"BROKER_ID", &V::brokerId, "Z9", "Z9", "12342 abCDEFGH \351\377AB br\303\266k"},
};

std::vector<std::string> Values(const Field& field) {
    std::istringstream in(field.values);
    return {std::istream_iterator<std::string>(in), {}};
}

// A file with every key once, in random order, among comments, blank lines, bytes that are
// not UTF-8 and later duplicates; LF or CR LF line ends.
std::string RandomFile(std::mt19937& random, bool crlf) {
    const std::string end = crlf ? "\r\n" : "\n";
    const std::string noise[] = {
        "# comment \xe9\xe8", "",     "#BOX_ID=1",           "FIX_LOGGING=Y",
        "OTHER = x = y",      "====", std::string(600, 'n'), "MAX=25"};
    std::vector<std::string> lines;
    std::string host;
    for (const Field& field : kFields) {
        const std::vector<std::string> values = Values(field);
        const std::string value = values[random() % values.size()];
        lines.push_back(std::string(field.key) + "=" + value);
        if (std::string(field.key) == "PRIMARY_HOST_IP") {
            host = value;
        }
    }
    lines.push_back("HOST_MACHINE_IP=" + host);  // the host in use is the primary one
    lines.push_back("BCP_HOST_IP=172.29.12.12");
    lines.push_back(random() % 2 ? "CURRENT_CONFIG=PRIMARY" : "CURRENT_CONFIG=primary");
    std::shuffle(lines.begin(), lines.end(), random);
    for (int i = 0; i < 6; ++i) {
        lines.insert(lines.begin() + random() % (lines.size() + 1), noise[random() % 8]);
    }
    for (const Field& field : kFields) {  // a duplicate after the first occurrence
        if (random() % 4 == 0) {
            lines.push_back(std::string(field.key) + "=" + Values(field)[0]);
        }
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line + end;
    }
    if (random() % 3 == 0) {
        text.resize(text.size() - end.size());  // no line end after the last line
    }
    return text;
}

// The key of a line ("" for none), for comparing files line by line.
std::string KeyOf(const std::string& line) {
    return line.substr(0, line.find('='));
}

// The lines of a text with their line ends.
std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end) {
        end = std::min(text.find('\n', start), text.size() - 1) + 1;
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

}  // namespace

TEST(GatewayConfigFile, OneChangedValueChangesOnlyItsOwnBytes) {
    std::mt19937 random(20261206);
    TempDir dir;
    const std::string path = dir.File("qel_ip_fo.cfg");
    for (int round = 0; round < 300; ++round) {
        const bool crlf = random() % 2;
        const std::string before = RandomFile(random, crlf);
        WriteFile(path, before);
        GatewayConfigRead read;
        ASSERT_TRUE(ReadGatewayConfiguration(path, nullptr, &read));
        GatewayConfigValues form = ShownValues(read);
        const Field& field = kFields[random() % std::size(kFields)];
        form.*field.shown = field.typed;
        std::vector<std::string> keys = {field.key};
        if (field.shown == &V::hostIp) {
            keys.push_back("HOST_MACHINE_IP");  // the host in use is the primary one
        }
        GatewayConfigTarget target;
        target.market = 2;
        target.configPath = path;
        const GatewaySaveResult saved = SaveGatewayConfiguration(target, read, form, nullptr);
        ASSERT_EQ(saved.outcome, GatewaySaveResult::Saved) << before;

        // Line for line the same, but for the lines of the changed keys, which now hold the
        // new value with their own line end.
        const std::vector<std::string> old = Split(before), now = Split(ReadFile(path));
        ASSERT_EQ(now.size(), old.size()) << before;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (std::find(keys.begin(), keys.end(), KeyOf(old[i])) == keys.end()) {
                EXPECT_EQ(now[i], old[i]) << before;
                continue;
            }
            const std::string end = old[i].substr(old[i].find_last_not_of("\r\n") + 1);
            EXPECT_EQ(now[i], KeyOf(old[i]) + "=" + field.written + end) << before;
        }
    }
}
