#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// MD5 message digest (RFC 1321).
std::array<unsigned char, 16> Md5Digest(const unsigned char* data, std::size_t count);

// The digest routine of the message checksum field.
class CMD5Checksum {
  public:
    static constexpr int kCompute = 1;
    static constexpr int kVerify = 2;

    // Count outside 0..1024: -1, nothing touched. Mode 2: compares the digest of the data
    // with `digest`, 3 when equal, -2 when not, `digest` unchanged. Any other mode: stores
    // the digest in `digest` and returns 1.
    int Checksum(const unsigned char* data, int count, unsigned char digest[16], int mode) const;
};
