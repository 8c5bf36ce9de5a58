// Bytes as a gateway sends them: the inbound stream is cut into messages the way the gateway
// session does it, and every whole message goes to the decoder its code selects: log rows
// and their cells, the version check, the active users and the box information.
#include <cstdint>
#include <cstring>
#include <string>

#include "link/MessageFrame.h"
#include "link/MessageValidator.h"
#include "link/UserInformation.h"
#include "views/LogRow.h"
#include "views/VersionCheck.h"

namespace {

void Route(const unsigned char* message, int marketType) {
    switch (ReadU16(message + kMessageCodeOffset)) {
        case kLogMessage: {
            const LogRow row = DecodeLogMessage(message, marketType);
            const std::string cells =
                UserIdText(row) + EventTimeText(row) + MessageText(row) + ReasonValueText(row);
            if (cells.empty()) {
                __builtin_trap();  // a row always shows its user ID
            }
            break;
        }
        case kVersionMessage: {
            const char* flagLine = nullptr;
            const int received = ReadI32(message + 30);
            CheckVersion(marketType, received, RequiredVersion(marketType), &flagLine);
            if (flagLine) {
                volatile std::size_t length = std::strlen(flagLine);
                (void)length;
            }
            break;
        }
        case kUserInformationResponse: {
            const UserInformation user = DecodeUserInformation(message, marketType);
            volatile std::size_t length = std::strlen(LoginStateText(user.state));
            (void)length;
            break;
        }
        case kBoxInformationResponse: {
            const BoxInformation box = DecodeBoxInformation(message);
            volatile std::size_t length = std::strlen(LoginStateText(box.state));
            (void)length;
            break;
        }
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first byte picks the market (0..8, so codes without a market are tried too) and the
    // second the user-ID width flags a version message may have set before.
    const int marketType = data[0] % 9;
    FO_USERID_INCREASE_FLAG = data[1] & 1;
    IPO_USERID_INCREASE_FLAG = (data[1] >> 1) & 1;
    SLBM_USERID_INCREASE_FLAG = (data[1] >> 2) & 1;
    data += 2;
    size -= 2;

    static CMessageValidator validator(nullptr);
    std::size_t at = 0;
    while (at < size) {
        const unsigned char* bytes = data + at;
        const std::size_t available = size - at;
        const InboundFrame frame = InspectInboundFrame(bytes, available);
        if (frame == InboundFrame::kIncomplete) {
            break;  // the end of a closed stream: what came of it is dropped
        }
        if (frame == InboundFrame::kBadLength) {
            at += kLengthFieldSize;  // the length field is read and refused
            continue;
        }
        const std::uint16_t length = ReadU16(bytes);
        if (!IsInboundMessageLength(length) || length > available) {
            __builtin_trap();  // a whole message lies within what was received
        }
        // The session's zero-filled message buffer, as the views receive it.
        unsigned char message[kMaxMessageLength] = {0};
        std::memcpy(message, bytes, length);
        unsigned char header[kNetworkHeaderSize] = {0};
        validator.GenerateChecksum(header, message + kNetworkHeaderSize, length);
        WriteU16(message, length);
        Route(message, marketType);
        at += length;
    }
    return 0;
}
