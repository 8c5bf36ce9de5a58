#include "app/StatusThread.h"

#include <unistd.h>

#include <chrono>
#include <utility>

#include "core/GatewayProcess.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/ProcessList.h"
#include "platform/SingleInstance.h"

namespace {
constexpr int kRunning = 300;
constexpr int kNotRunning = -300;
constexpr auto kPeriod = std::chrono::milliseconds(500);
}  // namespace

StatusThread::StatusThread(const InstalledMarkets& markets, ActivityLog& log,
                           const platform::ProcessList& processes, PostStatus post,
                           platform::SingleInstance* instance, Announce announce,
                           LogPageConnector* pages)
    : m_markets(markets),
      m_log(log),
      m_processes(processes),
      m_post(std::move(post)),
      m_instance(instance),
      m_announce(std::move(announce)),
      m_pages(pages) {
    for (int& state : m_previous) {
        state = kNotRunning;
    }
}

StatusThread::~StatusThread() {
    Stop();
}

void StatusThread::Start() {
    m_worker.Start([this] { Run(); });
}

void StatusThread::Stop() {
    m_worker.Stop();
}

void StatusThread::Run() {
    ZEVO_LOG_ACTIVITY(
        &m_log, "show_qel_status",
        Fmt("Thread id for show_qel_status thread is [%d]", static_cast<int>(gettid())));
    m_worker.Cycles(kPeriod, [this] { Cycle(); });
}

void StatusThread::AnnounceSecondInstance() {
    if (!m_instance || !m_announce || !m_instance->IsSignalled()) {
        return;
    }
    m_worker.Change([this] { m_announced = false; });
    m_announce([this] { m_worker.Change([this] { m_announced = true; }); });
    // The list is not refreshed while the message is open; a stop request ends the wait.
    m_worker.WaitUntil([this] { return m_announced; });
    m_instance->Reset();
}

void StatusThread::Cycle() {
    m_log.RollOverIfNewDay();
    AnnounceSecondInstance();
    const platform::ProcessSnapshot processes(m_processes);  // one look for every market
    int row = 0;
    for (int slot = 0; slot < kMarketCount; ++slot) {
        if (m_markets.markets[slot].type == -1) {
            continue;
        }
        if (m_worker.Stopping()) {
            return;  // exit does not wait for the rest of the cycle
        }
        const std::int64_t account = GatewayAccount(m_markets, slot + 1);
        std::int64_t impostor = kNoAccount;
        const bool running = qel_status_query(slot + 1, processes, m_log, account, &impostor) == 1;
        // A program of the gateway's name under another account is said once, and never
        // taken for the gateway: no connection, no version check.
        if (impostor != m_impostor[slot] && impostor != kNoAccount && !running) {
            ZEVO_LOG_EVENT(
                &m_log, "::show_qel_status",
                Fmt("%s; it is not taken for the gateway of market %s",
                    ImpostorText(slot + 1, impostor, account).c_str(), MarketName(slot + 1)));
        }
        m_impostor[slot] = running ? kNoAccount : impostor;
        const int current = running ? kRunning : kNotRunning;
        // The status first: a page that must try its connection again reads it.
        if (current != m_previous[slot]) {
            m_post(row, running);
        }
        if (running && m_previous[slot] == kNotRunning && m_pages && m_pages->HasSession(row)) {
            ZEVO_LOG_ACTIVITY(&m_log, "::show_qel_status",
                              Fmt("Attempting to connect...for market %s", MarketName(slot + 1)));
            m_pages->Connect(row);
        }
        m_previous[slot] = current;
        ++row;
    }
    if (m_firstCycleDone) {
        std::exchange(m_firstCycleDone, nullptr)();
    }
}
