#pragma once

// Loads a FIX configuration file's text with the settings parser of a real FIX engine
// (QuickFIX), as the gateway's FIX side would read it. Built as C++14, since the engine's
// headers do not compile as C++17 or later; this interface is plain C++ for any standard.

#include <set>
#include <string>

namespace fix_engine {

// True when the engine accepts `text`; `targetCompIds` receives the TargetCompID of every
// session it found. On false, `error` holds the engine's reason.
bool LoadFixSettings(const std::string& text, std::set<std::string>* targetCompIds,
                     std::string* error);

}  // namespace fix_engine
