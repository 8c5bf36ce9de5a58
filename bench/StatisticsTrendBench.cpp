// The statistics trends' memory after a simulated trading week, and what one figure costs at
// most:
//   statistics_trend_bench [parameters]    (default 50000)
//
// The week: the gateways run from 08:30 to 17:00, Monday to Friday (their figures are stale
// overnight and at the weekend), and the market trades from 09:15 to 15:30. The parameters
// are spread over the eight statistics pages. 1% of them change every second while the
// market trades (half of them counts, half rates with one decimal), 10% about once a minute
// (users, queues) and the rest a few times a day; outside trading nothing changes. A figure
// is taken as the page takes it, from its text, every second for the busy ones and once a
// minute for the others: a fresh figure that did not change adds nothing to its history, so
// taking it every second would store the same bytes.
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "views/StatisticsTrends.h"

namespace {

constexpr std::int64_t kMonday = 1796947200;  // 2026-12-07 00:00:00 UTC
constexpr std::int64_t kHour = 3600;

// Bytes the program holds from malloc, in its arenas and in blocks of their own.
double HeapMb() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double RssMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0;
}

struct Figure {
    double value = 0;
    std::string text = "0";
    bool rate = false;
};

std::string Text(const Figure& figure) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, figure.rate ? "%.1f" : "%.0f", figure.value);
    return buffer;
}

// One figure that changes every second for eight days, to see the most a history holds.
double LoneFigureKb(bool fractions) {
    TrendSeries series;
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> draw(0, 1);
    double count = 0;
    std::size_t most = 0;
    for (std::int64_t t = kMonday; t < kMonday + 8 * 24 * kHour; ++t) {
        count += std::floor(draw(random) * 20);
        series.AddNumber(t, fractions ? draw(random) : count);
        most = std::max(most, series.Bytes());
    }
    return static_cast<double>(most) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int parameters = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int busy = parameters / 100;
    const int active = parameters / 10;
    std::vector<Figure> figures(static_cast<std::size_t>(parameters));
    const double heapBefore = HeapMb();
    std::vector<StatisticsTrends> pages(8);
    for (int i = 0; i < busy; i += 2) {
        figures[static_cast<std::size_t>(i)].rate = true;
    }
    std::mt19937_64 random(5);
    std::uniform_int_distribution<int> step(0, 20);
    std::uniform_int_distribution<int> hundred(0, 119);
    std::size_t takes = 0;
    auto take = [&](int i, std::int64_t now) {
        const auto index = static_cast<std::size_t>(i);
        pages[index % 8].Take(index / 8, figures[index].text, static_cast<std::uint64_t>(now), now);
        ++takes;
    };
    auto change = [&](int i) {
        Figure& figure = figures[static_cast<std::size_t>(i)];
        figure.value = figure.rate ? std::abs(figure.value + (step(random) - 10) / 10.0)
                                   : figure.value + step(random);
        figure.text = Text(figure);
    };

    const auto start = std::chrono::steady_clock::now();
    for (int day = 0; day < 5; ++day) {
        const std::int64_t midnight = kMonday + day * 24 * kHour;
        for (std::int64_t t = midnight + 8 * kHour + 1800; t < midnight + 17 * kHour; ++t) {
            const bool trading =
                t >= midnight + 9 * kHour + 900 && t < midnight + 15 * kHour + 1800;
            for (int i = 0; i < busy; ++i) {
                if (trading) {
                    change(i);
                }
                take(i, t);
            }
            if (t % 60 != 0) {
                continue;
            }
            for (int i = busy; i < parameters; ++i) {
                if (trading && (i < busy + active || hundred(random) == 0)) {
                    change(i);
                }
                take(i, t);
            }
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::size_t bytes = 0;
    for (const StatisticsTrends& page : pages) {
        bytes += page.Bytes();
    }
    // What a chart reads for the busiest figure over the seven days.
    const auto readStart = std::chrono::steady_clock::now();
    const TrendHistory history = pages[0].Series(0)->History(kMonday + 7 * 24 * kHour);
    const double readMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - readStart)
            .count();
    std::printf(
        "parameters=%d takes=%zu store_mb=%.1f heap_mb=%.1f rss_mb=%.1f ns_per_take=%.0f "
        "busiest_points=%zu busiest_read_ms=%.2f worst_kb_per_parameter=%.0f "
        "counter_kb_per_parameter=%.0f\n",
        parameters, takes, static_cast<double>(bytes) / (1024.0 * 1024.0), HeapMb() - heapBefore,
        RssMb(), seconds * 1e9 / static_cast<double>(takes), history.points.size(), readMs,
        LoneFigureKb(true), LoneFigureKb(false));
    return 0;
}
