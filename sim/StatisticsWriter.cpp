#include "StatisticsWriter.h"

#include <cstdio>

#include "core/MarketType.h"

namespace {

void Append(std::string& out, int type, const char* parameter, long long value, const char* unit,
            std::int64_t timestamp) {
    char line[256];
    std::snprintf(line, sizeof line, "%d,%s,%lld,%s,%lld|\n", type, parameter, value, unit,
                  static_cast<long long>(timestamp));
    out += line;
}

}  // namespace

std::string StatisticsWriter::Records(int marketType, std::int64_t now, std::uint64_t tick) {
    std::string out;
    const long long t = static_cast<long long>(tick);
    if (marketType == 100) {
        Append(out, 100, "Total Orders", 1200 + 17 * t, "count", now);
        Append(out, 100, "Total Trades", 400 + 5 * t, "count", now);
        Append(out, 100, "CPU Usage", 12 + (t * 7) % 30, "%", now);
        Append(out, 100, "Memory Usage", 512 + (t * 3) % 64, "MB", now);
        return out;
    }
    const long long m = marketType;
    Append(out, marketType, "Orders", 100 * m + 9 * t, "count", now);
    Append(out, marketType, "Order Rate", 5 + (t * m) % 40, "msg/s", now);
    Append(out, marketType, "Trades", 30 * m + 2 * t, "count", now);
    Append(out, marketType, "Response Time", 2 + (t + m) % 9, "ms", now);
    Append(out, marketType, "Connected Users", 5, "users", now);
    // A figure the exchange stopped sending long ago: the console shows it stale.
    Append(out, marketType, "Host Heartbeat", 1, "", now - 600);
    return out;
}

bool StatisticsWriter::WriteAll(std::int64_t now) {
    std::vector<int> types = {100};
    types.insert(types.end(), m_markets.begin(), m_markets.end());
    bool ok = true;
    for (int type : types) {
        const std::string name = type == 100 ? "common" : MarketLowerName(type);
        const std::string path = m_directory + "/" + name + ".stat";
        const std::string temporary = m_directory + "/." + name + ".stat.tmp";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        if (!file) {
            ok = false;
            continue;
        }
        const std::string text = Records(type, now, m_tick);
        ok = std::fwrite(text.data(), 1, text.size(), file) == text.size() && ok;
        ok = std::fclose(file) == 0 && ok;
        ok = std::rename(temporary.c_str(), path.c_str()) == 0 && ok;
    }
    ++m_tick;
    return ok;
}
