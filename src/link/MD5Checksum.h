#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// MD5 message digest (RFC 1321).
std::array<unsigned char, 16> Md5Digest(const unsigned char* data, std::size_t count);

// The digest routine of the message checksum field.
class CMD5Checksum {
  public:
    static constexpr int kStored = 1;
    static constexpr int kCountOutOfRange = -1;

    // Stores the digest of `count` bytes of `data` in `digest`: kStored. A count outside
    // 0..1024 gives kCountOutOfRange, `digest` untouched.
    int Checksum(const unsigned char* data, int count, unsigned char digest[16]) const;
};
