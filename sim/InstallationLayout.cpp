#include "InstallationLayout.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/Version.h"
#include "core/MarketType.h"

namespace {

// Versions the installer records for each market's gateway.
const char* const kVersions[] = {"",        "1.01.01", "4.09.02", "3.09.03",
                                 "3.12.04", "1.01.05", "3.10.06", "3.01.07"};

bool WriteFile(const std::string& path, const std::string& text, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        if (error) {
            *error = "cannot write " + path;
        }
        return false;
    }
    return true;
}

std::string Dword(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
}

std::string GatewayConfig(int code, int index) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "MACHINE_LAN_IP=127.0.0.1\n"
                  "MACHINE_WAN_IP=10.20.30.%d\n"
                  "HOST_MACHINE_IP=172.19.12.%d\n"
                  "PRIMARY_HOST_IP=172.19.12.%d\n"
                  "BCP_HOST_IP=172.29.12.%d\n"
                  "CURRENT_CONFIG=PRIMARY\n"
                  "HOST_PORT_NUMBER=%d\n"
                  "BOX_ID=%d\n"
                  "BROKER_ID=%05d\n"
                  "FIX_LOGGING=Y\n"
                  "MAX_TWS_CLIENTS=25\n",
                  40 + code, 10 + code, 10 + code, 10 + code, 10200 + code, 100 + index,
                  12340 + code);
    return text;
}

// A complete settings file of the gateway's FIX engine: the acceptor's defaults, then one
// session block per FIX user (user, broker ID, branch ID in TargetCompID). Every session
// inherits BeginString and SenderCompID, so the engine tells them apart by TargetCompID.
std::string FixConfig(const std::string& root, int code, int port) {
    char defaults[2048];
    std::snprintf(defaults, sizeof defaults,
                  "[DEFAULT]\n"
                  "ConnectionType=acceptor\n"
                  "SocketAcceptPort=%d\n"
                  "BeginString=FIX.4.2\n"
                  "SenderCompID=QEL%s\n"
                  "FileStorePath=%s/fixdata/store/%s\n"
                  "FileLogPath=%s/fixdata/log/%s\n"
                  "StartTime=00:00:00\n"
                  "EndTime=00:00:00\n"
                  "HeartBtInt=30\n"
                  "UseDataDictionary=N\n"
                  "ResetOnLogon=Y\n"
                  "PersistMessages=Y\n"
                  "NicIpAddress=127.0.0.1\n",
                  port, MarketName(code), root.c_str(), MarketLowerName(code), root.c_str(),
                  MarketLowerName(code));
    std::string text = defaults;
    for (int user : {101, 102, 205}) {
        char block[256];
        std::snprintf(block, sizeof block,
                      "\n#BeginSession_%d\n[SESSION]\nTargetCompID=%d,%05d,%d\n#EndSession_%d\n",
                      user, user, 12340 + code, user % 100 + 1, user);
        text += block;
    }
    return text;
}

}  // namespace

std::string InstallationLayout::ConfigPath(int code) const {
    return root + "/config/qel_ip_" + MarketLowerName(code) + ".cfg";
}

std::string InstallationLayout::FixConfigPath(int code) const {
    return root + "/fix/qel_fix_" + MarketLowerName(code) + ".cfg";
}

std::string RegistryQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

std::string InstallationLayout::RegistryText() const {
    std::string t = "Windows Registry Editor Version 5.00\r\n\r\n";
    auto value = [&t](const std::string& name, const std::string& data) {
        t += "\"" + name + "\"=" + data + "\r\n";
    };
    t += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP]\r\n";
    value("ZEVO_LOG_FILES_PATH", RegistryQuote(LogDir()));
    value("REPO_CONFIG_FILE_PATH", RegistryQuote(CommonConfigPath()));
    std::vector<int> sorted = markets;
    std::sort(sorted.begin(), sorted.end());
    for (int code : sorted) {
        t += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\" + std::to_string(code) + "]\r\n";
        value("INTERFACE_THREAD_NON_INTERACTIVE_PORT", Dword(NonInteractivePort(code)));
        value("INTERFACE_THREAD_INTERACTIVE_PORT", Dword(InteractivePort(code)));
        value("CONFIG_FILE_PATH", RegistryQuote(ConfigPath(code)));
        if (std::count(fixMarkets.begin(), fixMarkets.end(), code)) {
            value("FIX_CONFIG_FILE_PATH", RegistryQuote(FixConfigPath(code)));
        }
        value("VERSION", RegistryQuote(kVersions[code]));
    }
    t += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\COMMON]\r\n";
    value("PLEXA_VERSION", "\"2.3.1\"");
    value("DORVA_VERSION", "\"1.8.0\"");
    value("QEL_MONITORING_VERSION", "\"4.0.2\"");
    value("QEL_STATISTICS_VERSION", "\"4.0.1\"");
    value("ZEVO_IP_VERSION", "\"" ZEVO_VERSION "\"");
    value("UNINSTALLER_VERSION", "\"1.2.0\"");
    t += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QEL_IP\\COMMON\\1]\r\n";
    value("CURRENT_FILES_PATH", RegistryQuote(StatisticsDir()));
    return t;
}

bool InstallationLayout::Write(std::string* error) const {
    std::error_code ec;
    for (const char* sub : {"config", "fix", "stats", "logs", "run"}) {
        std::filesystem::create_directories(root + "/" + sub, ec);
        if (ec) {
            if (error) {
                *error = "cannot create " + root + "/" + sub + ": " + ec.message();
            }
            return false;
        }
    }
    if (!WriteFile(RegistryPath(), RegistryText(), error) ||
        !WriteFile(CommonConfigPath(), "REPOSITORY_HISTORY=30\n", error)) {
        return false;
    }
    int index = 0;
    for (int code : markets) {
        if (!WriteFile(ConfigPath(code), GatewayConfig(code, index++), error)) {
            return false;
        }
        if (std::count(fixMarkets.begin(), fixMarkets.end(), code) &&
            !WriteFile(FixConfigPath(code), FixConfig(root, code, FixAcceptPort(code)), error)) {
            return false;
        }
    }
    return true;
}
