#pragma once

// The market segments, by the code every dialog, view, thread and message receives.
// A market's slot in every per-market table is its code minus 1.
enum MarketType : int {
    CM = 1,
    FO = 2,
    WDM = 3,
    IPO = 4,
    CD = 5,
    SLBM = 6,
    MF = 7,
    COMMON = 100,
};

constexpr int kMarketCount = 7;

// Upper-case name of codes 0..7 (empty for 0), "COMMON" for 100, null for any other code.
const char* MarketName(int code);
// The same, with an empty text for any other code: for log lines and captions.
const char* MarketNameOrEmpty(int code);
// Lower-case name of codes 1..7 (as in gateway executable names), null for any other code.
const char* MarketLowerName(int code);
// True for codes 1..7.
bool IsMarketCode(int code);
