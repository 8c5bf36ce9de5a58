#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "core/GatewayProcess.h"
#include "core/InstalledMarkets.h"

namespace testing_support {

TempDir::TempDir() {
    std::string base = std::filesystem::temp_directory_path().string() + "/zevo-test-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    path_ = mkdtemp(name.data()) ? name.data() : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ec);
    }
}

void FakeClock::Set(int year, int month, int day, int hour, int minute, int second,
                    int millisecond) {
    tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    time_t seconds = timegm(&parts);  // normalises the fields and fills the weekday
    std::lock_guard<std::mutex> guard(lock_);
    now_ = platform::LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_wday,
                               parts.tm_hour,        parts.tm_min,     parts.tm_sec,  millisecond};
    seconds_ = seconds;
}

platform::LocalTime FakeClock::Now() const {
    std::lock_guard<std::mutex> guard(lock_);
    return now_;
}

std::int64_t FakeClock::UnixSeconds() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seconds_;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ValueOf(const std::string& text, const std::string& key) {
    const std::string lines = "\n" + text;
    const auto at = lines.find("\n" + key + "=");
    if (at == std::string::npos) {
        return "";
    }
    const auto start = at + key.size() + 2;
    return lines.substr(start, lines.find_first_of("\r\n", start) - start);
}

std::string WithCrLf(const std::string& text) {
    std::string crlf;
    for (char c : text) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return crlf;
}

std::string WithoutLineAndTime(const std::string& line) {
    // Fields: level|message|file|operation|line|timestamp. Messages hold no '|' in the
    // lines the tests look at.
    size_t end = line.size();
    for (int i = 0; i < 2 && end != std::string::npos; ++i) {
        end = line.rfind('|', end - 1);
    }
    return end == std::string::npos ? line : line.substr(0, end);
}

std::vector<std::string> LogFolderLines(const InstallationLayout& layout) {
    std::vector<std::string> lines;
    for (const std::string& name : ListDir(layout.LogDir())) {
        if (name.rfind("zevo.", 0) != 0) {
            continue;  // the configuration history, beside the activity logs
        }
        for (std::string& line : ReadLines(layout.LogDir() + "/" + name)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

bool OnLoopback(int port, bool connectTo) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const auto* to = reinterpret_cast<sockaddr*>(&address);
    const bool done =
        (connectTo ? connect(fd, to, sizeof address) : bind(fd, to, sizeof address)) == 0;
    close(fd);
    return done;
}

int FreeBasePort() {
    constexpr int kStep = 24;
    static std::atomic<int> next{20000 + (getpid() % 1500) * kStep};
    for (int attempt = 0; attempt < 200; ++attempt) {
        int base = next.fetch_add(kStep);
        if (base > 60000) {
            next = base = 20000;
        }
        bool free = true;
        for (int port = base; port < base + InstallationLayout::kPorts && free; ++port) {
            free = OnLoopback(port, false);
        }
        if (free) {
            return base;
        }
    }
    return 20000;
}

InstallationLayout LaidOut(const std::string& root, std::vector<int> markets,
                           std::vector<int> fixMarkets) {
    InstallationLayout layout;
    layout.root = root;
    layout.markets = std::move(markets);
    layout.fixMarkets = std::move(fixMarkets);
    layout.basePort = FreeBasePort();
    std::string error;
    if (!layout.Write(&error)) {
        ADD_FAILURE() << "laying out " << root << ": " << error;
    }
    return layout;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void TrustOwnGateways() {
    InstalledMarkets table;
    const passwd* self = getpwuid(geteuid());
    table.gateway_account = self ? self->pw_name : "";
    RecordInstallation(table);
}

}  // namespace testing_support

std::size_t testing_support::CountLogLines(const std::string& path, const std::string& expected) {
    std::size_t n = 0;
    for (const std::string& line : ReadLines(path)) {
        n += WithoutLineAndTime(line) == expected;
    }
    return n;
}
