#include "SimSettings.h"

#include <string>

#include "base/Settings.h"
#include "core/MarketType.h"
#include "platform/SettingsStore.h"

std::vector<int> InstalledMarketCodes(const platform::SettingsStore& store) {
    std::vector<int> codes;
    for (int code = CM; code <= MF; ++code) {
        if (store.OpenKey(std::string(settings::kRoot) + "\\" + std::to_string(code))) {
            codes.push_back(code);
        }
    }
    return codes;
}
