#pragma once

#include <cstdint>
#include <vector>

// Messages a gateway instance sends, framed as on the wire (little-endian, length at 0,
// code at 20). `longIds` selects 32-bit user IDs.
namespace gateway {

using Bytes = std::vector<unsigned char>;

Bytes VersionMessage(std::int32_t version);
Bytes LogMessage(bool longIds, std::int32_t eventTime, std::int32_t userId, std::uint16_t reason,
                 std::int32_t value);
Bytes BoxInformationResponse(std::uint16_t boxId, std::uint16_t state);
Bytes UserInformationResponse(bool longIds, std::int32_t userId, std::uint16_t state);

// Whether a gateway of this market and version carries 32-bit user IDs.
bool UsesLongIds(int market, std::int32_t version);

}  // namespace gateway
