#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

#include "GatewayPeer.h"

namespace testing_support {

// A simulated gateway of `market` at `version` listening on free loopback ports, with its
// other options set by `configure`. For test programs that link the simulated peers.
inline std::unique_ptr<GatewayPeer> ListeningPeer(
    int market, std::int32_t version,
    const std::function<void(GatewayPeer::Options&)>& configure = {}) {
    GatewayPeer::Options options;
    options.market = market;
    options.version = version;
    if (configure) {
        configure(options);
    }
    auto peer = std::make_unique<GatewayPeer>(options);
    QString error;
    if (!peer->Listen(&error)) {
        qFatal("gateway peer: %s", qPrintable(error));
    }
    return peer;
}

}  // namespace testing_support
