#include "FixEngineCheck.h"

#include <quickfix/SessionSettings.h>

#include <sstream>

namespace fix_engine {

bool LoadFixSettings(const std::string& text, std::set<std::string>* targetCompIds,
                     std::string* error) {
    std::istringstream stream(text);
    try {
        FIX::SessionSettings settings(stream);
        targetCompIds->clear();
        for (const FIX::SessionID& session : settings.getSessions()) {
            targetCompIds->insert(session.getTargetCompID().getValue());
        }
        return true;
    } catch (const FIX::ConfigError& failure) {
        *error = failure.what();
        return false;
    }
}

}  // namespace fix_engine
