#include "core/MarketType.h"

namespace {
const char* const kNames[] = {"", "CM", "FO", "WDM", "IPO", "CD", "SLBM", "MF"};
const char* const kLowerNames[] = {"", "cm", "fo", "wdm", "ipo", "cd", "slbm", "mf"};
}  // namespace

bool IsMarketCode(int code) {
    return code >= CM && code <= MF;
}

const char* MarketName(int code) {
    if (code == COMMON) {
        return "COMMON";
    }
    return (code >= 0 && code <= MF) ? kNames[code] : nullptr;
}

const char* MarketNameOrEmpty(int code) {
    const char* name = MarketName(code);
    return name ? name : "";
}

const char* MarketLowerName(int code) {
    return IsMarketCode(code) ? kLowerNames[code] : nullptr;
}
