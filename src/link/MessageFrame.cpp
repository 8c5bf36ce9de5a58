#include "link/MessageFrame.h"

int FO_USERID_INCREASE_FLAG = 0;
int IPO_USERID_INCREASE_FLAG = 0;
int SLBM_USERID_INCREASE_FLAG = 0;

bool UsesLongUserIdLayout(int marketType) {
    switch (marketType) {
        case 1:
            return true;  // CM
        case 2:
            return FO_USERID_INCREASE_FLAG == 1;
        case 4:
            return IPO_USERID_INCREASE_FLAG == 1;
        case 6:
            return SLBM_USERID_INCREASE_FLAG == 1;
        default:
            return false;  // WDM, CD, MF and anything else
    }
}

std::uint16_t HeadersOnlyLength(int marketType) {
    return UsesLongUserIdLayout(marketType) ? kLongHeadersOnlyLength : kShortHeadersOnlyLength;
}

bool IsInboundMessageLength(std::uint16_t length) {
    return length > kLengthFieldSize && length < kMaxMessageLength;
}

InboundFrame InspectInboundFrame(const unsigned char* bytes, std::size_t available) {
    if (available < kLengthFieldSize) {
        return InboundFrame::kIncomplete;
    }
    const std::uint16_t length = ReadU16(bytes);
    if (!IsInboundMessageLength(length)) {
        return InboundFrame::kBadLength;
    }
    return available >= length ? InboundFrame::kWhole : InboundFrame::kIncomplete;
}

int GeneratePacketHeader(std::uint16_t messageCode, unsigned char* packetHeader) {
    WriteU16(packetHeader, messageCode);
    return 1;
}

int GenerateNetworkHeader(unsigned char* networkHeader, std::uint16_t messageLength) {
    WriteU16(networkHeader, messageLength);
    return 1;
}

std::vector<unsigned char> BuildHeadersOnlyRequest(int marketType, std::uint16_t messageCode) {
    std::vector<unsigned char> message(HeadersOnlyLength(marketType), 0);
    GeneratePacketHeader(messageCode, message.data() + kMessageCodeOffset);
    GenerateNetworkHeader(message.data(), static_cast<std::uint16_t>(message.size()));
    return message;
}

std::uint16_t ReadU16(const unsigned char* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::int16_t ReadI16(const unsigned char* at) {
    return static_cast<std::int16_t>(ReadU16(at));
}

std::int32_t ReadI32(const unsigned char* at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) | (at[1] << 8) |
                                     (at[2] << 16) | (static_cast<std::uint32_t>(at[3]) << 24));
}

void WriteU16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void WriteI32(unsigned char* at, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}
