#include "SimSettings.h"

#include <string>

#include "core/MarketType.h"
#include "core/Text.h"
#include "platform/SettingsStore.h"

std::vector<int> InstalledMarketCodes(const platform::SettingsStore& store) {
    std::vector<int> codes;
    for (int code = CM; code <= MF; ++code) {
        if (store.OpenKey(std::string(text::kSettingsRoot) + "\\" + std::to_string(code))) {
            codes.push_back(code);
        }
    }
    return codes;
}
