#pragma once

#include "link/MD5Checksum.h"

class ActivityLog;

// Checksum and sequence checks of gateway messages. The gateway session accepts every
// inbound message unchecked; the checksum can still be computed for a message.
class CMessageValidator {
  public:
    explicit CMessageValidator(ActivityLog* log) : m_log(log) {}

    // Digests (length - 20) bytes from `packetData` into offsets 4..19 of `networkHeader`.
    // Returns 1 on success, 0 otherwise.
    int GenerateChecksum(unsigned char* networkHeader, const unsigned char* packetData,
                         int messageLength) const;
    int ValidateChecksum(const unsigned char*, const unsigned char*, int) const { return 1; }
    int ValidateSequenceNo(const unsigned char*) const { return 1; }

  private:
    CMD5Checksum m_checksum;
    ActivityLog* m_log;
};
