#include "app/StatisticsThread.h"

#include <unistd.h>

#include "base/Settings.h"
#include "base/Text.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace {
const char* const kOperation = "show_qel_statistics";
}

StatisticsThread::StatisticsThread(const platform::SettingsStore& store, ActivityLog& log,
                                   PostRecords post, ReportSetupError report,
                                   std::chrono::milliseconds period)
    : m_store(store),
      m_log(log),
      m_post(std::move(post)),
      m_report(std::move(report)),
      m_period(period) {}

StatisticsThread::~StatisticsThread() {
    Stop();
}

void StatisticsThread::Start() {
    m_worker.Start([this] { Run(); });
}

void StatisticsThread::Stop() {
    m_worker.Stop();
}

bool StatisticsThread::ReadDirectory(std::string* directory) {
    const std::string path = Fmt("%s\\%s\\%d", settings::kRoot, settings::kCommon, 1);
    auto key = m_store.OpenKey(path);
    if (!key) {
        ZEVO_LOG_EVENT(&m_log, kOperation, "Cannot open registry for statistics thread.");
        m_report();
        return false;
    }
    if (!platform::QueryString(*key, settings::kCurrentFilesPath, settings::kPathLimit,
                               directory)) {
        ZEVO_LOG_EVENT(&m_log, kOperation,
                       Fmt("Cannot query registry for %s.", settings::kCurrentFilesPath));
        m_report();
        return false;
    }
    return true;
}

void StatisticsThread::Run() {
    ZEVO_LOG_ACTIVITY(
        &m_log, kOperation,
        Fmt("Thread id for show_qel_statistics thread is [%d]", static_cast<int>(gettid())));
    std::string directory;
    if (!ReadDirectory(&directory)) {
        return;
    }
    m_worker.Cycles(m_period, [&] { Pass(directory); });
}

void StatisticsThread::Pass(const std::string& directory) {
    StatisticsPass pass;
    for (const std::string& name : platform::FindFiles(directory, "*")) {
        if (m_worker.Stopping()) {
            return;
        }
        std::string text;
        // A file that vanished, cannot be read or holds a NUL byte waits for the next pass.
        if (!ReadStatisticsPath(directory + "/" + name, &text)) {
            continue;
        }
        // A huge file is parsed with an eye on the stop request, so exit never waits for it.
        std::size_t count = 0;
        const bool whole = ForEachStatisticsRecord(text, [&](StatisticsRecord&& record) {
            pass.Add(std::move(record));
            return ++count % 4096 != 0 || !m_worker.Stopping();
        });
        if (!whole) {
            return;
        }
    }
    if (!pass.Empty()) {
        m_post(pass.Take());
    }
}
