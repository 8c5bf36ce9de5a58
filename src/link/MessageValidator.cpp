#include "link/MessageValidator.h"

#include "link/MessageFrame.h"

int CMessageValidator::GenerateChecksum(unsigned char* networkHeader,
                                        const unsigned char* packetData, int messageLength) const {
    return m_checksum.Checksum(packetData, messageLength - kNetworkHeaderSize, networkHeader + 4) ==
                   CMD5Checksum::kStored
               ? 1
               : 0;
}
