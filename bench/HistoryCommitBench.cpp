// What the configuration history costs a save: a 100-user FIX file and a gateway
// configuration file are changed and committed SAVES times (one user's branch, then a value,
// as saves do), timing each commit, and the repository's size on disk is taken at the end.
// One line:
//
//   saves=N commit_ms_median=.. commit_ms_p99=.. repository_mb=..
//
//   history_commit_bench [saves]     (default 10000)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/ConfigHistory.h"

namespace {

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A FIX file of 100 sessions, the `changed` one with another branch.
std::string FixFile(int changed, int branch) {
    std::string text = "[DEFAULT]\nConnectionType=acceptor\nSocketAcceptPort=20350\n";
    for (int user = 0; user < 100; ++user) {
        text += "\n[SESSION]\nBeginString=FIX.4.2\nSenderCompID=QELFO\nTargetCompID=" +
                std::to_string(1000 + user) + ",12342," +
                std::to_string(user == changed ? branch : 1) + "\n";
    }
    return text;
}

std::uintmax_t FolderBytes(const std::string& folder) {
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const int saves = argc > 1 ? std::stoi(argv[1]) : 10000;
    char pattern[] = "/tmp/zevo-history-bench-XXXXXX";
    const std::string root = mkdtemp(pattern);
    const std::string fix = root + "/qel_fix_fo.cfg";
    const std::string config = root + "/qel_ip_fo.cfg";
    Write(fix, FixFile(-1, 1));
    Write(config, "BOX_ID=1\nHOST_PORT_NUMBER=10201\n");
    const ConfigHistory history(root + "/history");
    std::string why;
    history.Commit({fix, config}, "bench", "as found", &why);
    std::vector<double> costs;
    for (int save = 0; save < saves; ++save) {
        if (save % 2 == 0) {
            Write(fix, FixFile(save % 100, 2 + save % 7));
        } else {
            Write(config, "BOX_ID=" + std::to_string(save) + "\nHOST_PORT_NUMBER=10201\n");
        }
        const auto start = std::chrono::steady_clock::now();
        if (history.Commit({fix, config}, "bench", "FO: a save", &why) ==
            ConfigHistory::Result::kFailed) {
            std::fprintf(stderr, "history_commit_bench: %s\n", why.c_str());
            return 1;
        }
        costs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(costs.begin(), costs.end());
    std::printf("saves=%d commit_ms_median=%.2f commit_ms_p99=%.2f repository_mb=%.1f\n", saves,
                costs[costs.size() / 2], costs[costs.size() * 99 / 100],
                FolderBytes(root + "/history") / 1e6);
    std::filesystem::remove_all(root);
    return 0;
}
