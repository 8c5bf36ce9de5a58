#pragma once

#include <string>
#include <vector>

// Lays out a complete simulated QEL installation in a folder: the settings-store file, each
// market's gateway configuration file, the common configuration file, FIX configuration
// files, and the statistics and log folders. Tests and the demo start from it.
struct InstallationLayout {
    std::string root;             // folder to fill; created when missing
    std::vector<int> markets;     // market codes 1..7 to install
    std::vector<int> fixMarkets;  // installed markets that get a FIX configuration file
    int basePort = 27100;         // market n listens on basePort + 2(n-1) and the next port;
                                  // its FIX engine on basePort + 13 + n: 21 ports in all
    static constexpr int kPorts = 21;

    int NonInteractivePort(int code) const { return basePort + 2 * (code - 1); }
    int InteractivePort(int code) const { return NonInteractivePort(code) + 1; }
    int FixAcceptPort(int code) const { return basePort + 13 + code; }

    std::string RegistryPath() const { return root + "/qel_ip.reg"; }
    std::string ConfigPath(int code) const;
    std::string FixConfigPath(int code) const;
    std::string CommonConfigPath() const { return root + "/config/common.cfg"; }
    std::string StatisticsDir() const { return root + "/stats"; }
    std::string LogDir() const { return root + "/logs"; }
    std::string ServiceDir() const { return root + "/run"; }

    // Writes everything. Returns false (with a reason in `error`) when a file cannot be
    // written.
    bool Write(std::string* error = nullptr) const;
    // The settings-store file's text, with CRLF line ends as an export from Windows has.
    std::string RegistryText() const;
};

// Escapes a text for a quoted registry-export string.
std::string RegistryQuote(const std::string& text);
