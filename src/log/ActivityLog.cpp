#include "log/ActivityLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Settings.h"
#include "base/Text.h"
#include "log/Format.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

namespace {

constexpr std::size_t kLineBufferSize = settings::kLogLineLimit;
constexpr std::size_t kTimestampBufferSize = 1024;

std::string DateText(const platform::LocalTime& t) {
    return FmtN(kLineBufferSize, "%04d%02d%02d", t.year, t.month, t.day);
}

std::string TimeText(const platform::LocalTime& t) {
    return FmtN(kLineBufferSize, "%02d%02d%02d", t.hour, t.minute, t.second);
}

// The first three dot-separated parts of a file name, read as "%[^.].%[^.].%[^.]" reads
// them: each part a non-empty run of characters other than '.', missing parts empty.
void NameParts(const std::string& name, std::string parts[3]) {
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = name.find('.', pos);
        if (end == pos) {
            return;
        }
        parts[i] = name.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (end == std::string::npos) {
            return;
        }
        pos = end + 1;
    }
}

}  // namespace

ActivityLog::ActivityLog()
    : ActivityLog(platform::DefaultSettingsStore(), platform::DefaultClock()) {}

ActivityLog::ActivityLog(const platform::SettingsStore& store, const platform::Clock& clock)
    : m_clock(clock) {
    Start(store);
}

ActivityLog::ActivityLog(NoFile) : m_clock(platform::DefaultClock()), m_discards(true) {}

ActivityLog::ActivityLog(const platform::SettingsStore& store, Held held)
    : m_clock(platform::DefaultClock()), m_speaker(std::move(held.speaker)), m_holding(true) {
    const platform::LocalTime now = m_clock.Now();
    m_date = DateText(now);
    m_time = TimeText(now);
    m_directory.clear();
    ReadDirectory(store);
    m_discards = m_directory.empty() || m_directory.front() != '/';
}

void ActivityLog::Keep() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_holding) {
        return;
    }
    m_holding = false;
    if (m_discards) {
        return;
    }
    StartFiles();
    WriteText(m_held);
    m_held.clear();
}

ActivityLog::~ActivityLog() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

void ActivityLog::ReadDirectory(const platform::SettingsStore& store) {
    if (auto key = store.OpenKey(settings::kRoot)) {
        std::string directory;
        if (platform::QueryString(*key, settings::kLogFilesPath, kLineBufferSize, &directory)) {
            m_directory = directory;
        }
    }
}

void ActivityLog::Start(const platform::SettingsStore& store) {
    platform::LocalTime now = m_clock.Now();
    m_date = DateText(now);
    m_time = TimeText(now);
    ReadDirectory(store);
    std::lock_guard<std::mutex> guard(m_lock);
    StartFiles();
}

// Earlier days' current files take their repository names; the file's opening line.
void ActivityLog::StartFiles() {
    std::string todays;
    auto found = platform::FindFiles(m_directory, m_program + "." + m_date + ".*.current.txt");
    if (!found.empty()) {
        todays = found.front();
    }
    for (const std::string& name : platform::FindFiles(m_directory, "*.current.txt")) {
        if (!text::EqualsIgnoreCase(name, todays)) {
            RenameToRepository(m_directory + "/" + name);
        }
    }

    WriteText("\nLogger object initialized.\n");
}

std::string ActivityLog::RepositoryPath(const std::string& fileName) const {
    std::string parts[3];
    NameParts(fileName, parts);
    return FmtN(kLineBufferSize, "%s/%s.%s.%s.repository.txt", m_directory.c_str(),
                parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
}

std::string ActivityLog::Timestamp() const {
    platform::LocalTime t = m_clock.Now();
    return FmtN(kTimestampBufferSize, "%s, %s %d, %d, %d:%d:%d.%d", kWeekdayNames[t.weekday % 7],
                kMonthNames[(t.month + 11) % 12], t.day, t.year, t.hour, t.minute, t.second,
                t.millisecond);
}

void ActivityLog::LogActivity(const char* message, const char* operation, const char* file,
                              int line) {
    WriteLine("ACTIVITY", true, message, operation, file, line);
}

void ActivityLog::LogEvent(const char* message, const char* operation, const char* file, int line) {
    WriteLine("EVENT", true, message, operation, file, line);
}

void ActivityLog::LogBusinessError(const char* message, const char* operation, const char* file,
                                   int line) {
    WriteLine("BUSINESS_ERROR", true, message, operation, file, line);
}

void ActivityLog::LogSystemError(const char* message, const char* operation, const char* file,
                                 int line) {
    WriteLine("SYSTEM_ERROR", true, message, operation, file, line);
}

void ActivityLog::LogDetail(const char* message, const char* operation, const char* file,
                            int line) {
    WriteLine(nullptr, false, message, operation, file, line);
}

void ActivityLog::WriteLine(const char* level, bool setsIndent, const char* message,
                            const char* operation, const char* file, int line) {
    if (m_discards) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    std::string first = level ? level : std::string(static_cast<size_t>(m_detailIndent), ' ');
    std::string text = first + "|" + (message ? message : "") + "|" +
                       platform::BaseName(file ? file : "") + "|" + (operation ? operation : "") +
                       "|" + std::to_string(line) + "|" + Timestamp() + "\n";
    // A carriage return that came with a value read from a file would make an editor or a
    // terminal show the line overwritten; the log never holds one.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    // A line that would overflow the line buffer is cut and still ends with its line feed.
    if (text.size() > kLineBufferSize - 1) {
        text.resize(kLineBufferSize - 2);
        text += '\n';
    }
    if (setsIndent) {
        m_detailIndent = static_cast<int>(std::strlen(level));
    }
    if (m_holding) {
        m_held += text;
        return;
    }
    WriteText(text);
}

void ActivityLog::WriteText(const std::string& text) {
    if (!m_file && !OpenCurrentFile()) {
        return;  // the line is lost
    }
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fflush(m_file);
}

bool ActivityLog::OpenCurrentFile() {
    const platform::LocalTime now = m_clock.Now();
    const std::string second = DateText(now) + TimeText(now);
    if (second == m_failedOpenSecond) {
        return false;  // tried in this second already
    }
    auto found = platform::FindFiles(m_directory, m_program + "." + m_date + ".*.current.txt");
    m_currentPath = found.empty()
                        ? FmtN(kLineBufferSize, "%s/%s.%s.%s.current.txt", m_directory.c_str(),
                               m_program.c_str(), m_date.c_str(), m_time.c_str())
                        : m_directory + "/" + found.front();
    m_file = std::fopen(m_currentPath.c_str(), "a+");
    if (!m_file) {
        m_failedOpenSecond = second;
        if (!m_openFailureSaid) {
            std::fprintf(stderr, "%s: cannot open the activity log %s: %s; its lines are lost\n",
                         m_speaker.c_str(), m_currentPath.c_str(), std::strerror(errno));
            m_openFailureSaid = true;
        }
        return false;
    }
    if (m_openFailureSaid) {
        std::fprintf(stderr, "%s: the activity log %s is written again\n", m_speaker.c_str(),
                     m_currentPath.c_str());
        m_openFailureSaid = false;
    }
    m_failedOpenSecond.clear();
    return true;
}

void ActivityLog::RenameToRepository(const std::string& currentPath) {
    const std::string repository = RepositoryPath(platform::BaseName(currentPath));
    if (!platform::RenameNoReplace(currentPath, repository)) {
        std::fprintf(stderr, "%s: cannot rename the activity log %s to %s: %s\n", m_speaker.c_str(),
                     currentPath.c_str(), repository.c_str(), std::strerror(errno));
    }
}

void ActivityLog::RollOverIfNewDay() {
    if (m_discards) {
        return;
    }
    platform::LocalTime now = m_clock.Now();
    std::string today = DateText(now);
    std::lock_guard<std::mutex> guard(m_lock);
    if (text::EqualsIgnoreCase(today, m_date)) {
        return;
    }
    m_date = today;
    m_time = TimeText(now);
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    RenameToRepository(m_currentPath);
}

std::string ActivityLog::Directory() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_directory;
}

std::string ActivityLog::CurrentFilePath() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_currentPath;
}
