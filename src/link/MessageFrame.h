#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The binary frame of every gateway message, both ways, little-endian: a 20-byte network
// header (length at 0, checksum at 4..19) and a packet header whose first word, at offset 20,
// is the message code.

constexpr int kNetworkHeaderSize = 20;
constexpr int kMessageCodeOffset = 20;
constexpr int kLongHeadersOnlyLength = 40;   // 32-bit user IDs
constexpr int kShortHeadersOnlyLength = 38;  // 16-bit user IDs
constexpr int kMaxMessageLength = 1024;      // send buffer; inbound messages are at most 1023

enum MessageCode : std::uint16_t {
    kBoxInformationRequest = 6500,
    kBoxInformationResponse = 6502,
    kRestartRequest = 8000,
    kLogMessage = 10000,
    kUserInformationRequest = 10001,
    kVersionMessage = 10002,
    kUserInformationResponse = 10004,
    kLogonMessage = 1000,
    kChangeConfigurationRequest = 2100,
    kQueryStatusMessage = 3000,
};

// An inbound message announces its whole length, length field included, in its first two
// bytes. The console reads lengths of 3 to 1023; any other value is a bad length field.
constexpr int kLengthFieldSize = 2;
bool IsInboundMessageLength(std::uint16_t length);

// What the start of the inbound bytes holds: a message not yet whole, a whole message, or a
// bad length field, which is there as soon as its two bytes are.
enum class InboundFrame { kIncomplete, kWhole, kBadLength };
InboundFrame InspectInboundFrame(const unsigned char* bytes, std::size_t available);

// Process-wide: set (1) from a gateway's version when its market carries 32-bit user IDs.
// Written and read on the GUI thread only.
extern int FO_USERID_INCREASE_FLAG;
extern int IPO_USERID_INCREASE_FLAG;
extern int SLBM_USERID_INCREASE_FLAG;

// Whether the market's messages use the long (32-bit) user ID layout, decided anew for every
// message from the market and the flags; a flag counts only when it holds exactly 1.
bool UsesLongUserIdLayout(int marketType);
// Length of a headers-only message for the market: 40 (long layout) or 38 (short).
std::uint16_t HeadersOnlyLength(int marketType);

// Header builders; they touch only their own bytes and never fail (return nonzero).
int GeneratePacketHeader(std::uint16_t messageCode, unsigned char* packetHeader);
int GenerateNetworkHeader(unsigned char* networkHeader, std::uint16_t messageLength);

// A zero-filled headers-only request for the market: length at 0, code at 20.
std::vector<unsigned char> BuildHeadersOnlyRequest(int marketType, std::uint16_t messageCode);

// Little-endian field access.
std::uint16_t ReadU16(const unsigned char* at);
std::int16_t ReadI16(const unsigned char* at);
std::int32_t ReadI32(const unsigned char* at);
void WriteU16(unsigned char* at, std::uint16_t value);
void WriteI32(unsigned char* at, std::int32_t value);
