#pragma once

#include <vector>

namespace platform {
class SettingsStore;
}

// Codes of the markets whose keys exist in the settings store, in market order.
std::vector<int> InstalledMarketCodes(const platform::SettingsStore& store);
