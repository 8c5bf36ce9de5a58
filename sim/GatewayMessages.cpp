#include "GatewayMessages.h"

#include <cstddef>

namespace gateway {

namespace {

void Put16(Bytes& m, std::size_t at, std::uint16_t v) {
    m[at] = static_cast<unsigned char>(v);
    m[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Put32(Bytes& m, std::size_t at, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
        m[at + i] = static_cast<unsigned char>(u >> (8 * i));
    }
}

Bytes Frame(std::uint16_t length, std::uint16_t code) {
    Bytes m(length, 0);
    Put16(m, 0, length);
    Put16(m, 20, code);
    return m;
}

}  // namespace

Bytes VersionMessage(std::int32_t version) {
    Bytes m = Frame(34, 10002);
    Put32(m, 30, version);
    return m;
}

Bytes LogMessage(bool longIds, std::int32_t eventTime, std::int32_t userId, std::uint16_t reason,
                 std::int32_t value) {
    Bytes m = Frame(longIds ? 42 : 40, 10000);
    Put32(m, 22, eventTime);
    if (longIds) {
        Put32(m, 32, userId);
        Put16(m, 36, reason);
        Put32(m, 38, value);
    } else {
        Put16(m, 32, static_cast<std::uint16_t>(userId));
        Put16(m, 34, reason);
        Put32(m, 36, value);
    }
    return m;
}

Bytes BoxInformationResponse(std::uint16_t boxId, std::uint16_t state) {
    Bytes m = Frame(34, 6502);
    Put16(m, 30, boxId);
    Put16(m, 32, state);
    return m;
}

Bytes UserInformationResponse(bool longIds, std::int32_t userId, std::uint16_t state) {
    Bytes m = Frame(longIds ? 36 : 34, 10004);
    if (longIds) {
        Put32(m, 30, userId);
        Put16(m, 34, state);
    } else {
        Put16(m, 30, static_cast<std::uint16_t>(userId));
        Put16(m, 32, state);
    }
    return m;
}

bool UsesLongIds(int market, std::int32_t version) {
    const int release = version / 100;
    switch (market) {
        case 1:
            return true;
        case 2:
            return release >= 409;
        case 4:
            return release >= 312;
        case 6:
            return release >= 310;
        default:
            return false;
    }
}

}  // namespace gateway
