#include "views/VersionCheck.h"

#include "core/MarketType.h"
#include "link/MessageFrame.h"

namespace {

struct UserIdFlag {
    int market;
    int threshold;  // release at or above which user IDs are 32-bit
    int* flag;
    const char* trueText;
    const char* falseText;
};

const UserIdFlag kFlags[] = {
    {FO, 409, &FO_USERID_INCREASE_FLAG, "FO_USERID_INCREASE_FLAG = TRUE",
     "FO_USERID_INCREASE_FLAG = FALSE"},
    {IPO, 312, &IPO_USERID_INCREASE_FLAG, "IPO_USERID_INCREASE_FLAG = TRUE",
     "IPO_USERID_INCREASE_FLAG = FALSE"},
    {SLBM, 310, &SLBM_USERID_INCREASE_FLAG, "SLBM_USERID_INCREASE_FLAG = TRUE",
     "SLBM_USERID_INCREASE_FLAG = FALSE"},
};

}  // namespace

int RequiredVersion(int marketType) {
    static const int kRequired[kMarketCount] = {10101, 10102, 30903, 30904, 10105, 30906, 30107};
    return IsMarketCode(marketType) ? kRequired[marketType - 1] : 0;
}

bool CheckVersion(int marketType, int received, int required, const char** flagLine) {
    *flagLine = nullptr;
    const int receivedRelease = received / 100;
    const int receivedPart = received % 100;
    for (const UserIdFlag& entry : kFlags) {
        if (entry.market != marketType) {
            continue;
        }
        const bool wide = receivedRelease >= entry.threshold;
        *entry.flag = wide ? 1 : 0;
        *flagLine = wide ? entry.trueText : entry.falseText;
    }
    return receivedPart == required % 100 && receivedRelease >= required / 100;
}
