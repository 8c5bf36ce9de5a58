#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "link/MD5Checksum.h"
#include "link/MessageFrame.h"
#include "link/MessageValidator.h"

namespace {

std::string Hex(const unsigned char* data, size_t size) {
    static const char* const digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

struct Flags {
    Flags(int fo, int ipo, int slbm) {
        FO_USERID_INCREASE_FLAG = fo;
        IPO_USERID_INCREASE_FLAG = ipo;
        SLBM_USERID_INCREASE_FLAG = slbm;
    }
    ~Flags() { FO_USERID_INCREASE_FLAG = IPO_USERID_INCREASE_FLAG = SLBM_USERID_INCREASE_FLAG = 0; }
};

}  // namespace

TEST(MessageFrame, HeadersOnlyRequestsAreLongForCmAndForMarketsWhoseFlagIsOne) {
    // The FO, IPO and SLBM flags, and the markets (CM 1, FO 2, IPO 4, SLBM 6) whose requests
    // then take the long layout; every other code, known or not, takes the short one.
    const std::pair<std::array<int, 3>, std::vector<int>> cases[] = {
        {{0, 0, 0}, {1}},    {{1, 0, 0}, {1, 2}},       {{0, 1, 0}, {1, 4}},
        {{0, 0, 1}, {1, 6}}, {{1, 1, 1}, {1, 2, 4, 6}}, {{2, 2, 2}, {1}},
    };
    for (const auto& [flags, longMarkets] : cases) {
        Flags set(flags[0], flags[1], flags[2]);
        for (int market : {1, 2, 3, 4, 5, 6, 7, 100, 0, -1}) {
            const bool isLong = std::count(longMarkets.begin(), longMarkets.end(), market) > 0;
            const auto request = BuildHeadersOnlyRequest(market, kBoxInformationRequest);
            EXPECT_EQ(Hex(request.data(), request.size()),
                      isLong ? "2800" + std::string(36, '0') + "6419" + std::string(36, '0')
                             : "2600" + std::string(36, '0') + "6419" + std::string(32, '0'))
                << "market " << market << ", flags " << flags[0] << flags[1] << flags[2];
        }
    }
}

TEST(MessageFrame, HeaderBuildersTouchOnlyTheirOwnBytes) {
    unsigned char message[40];
    std::memset(message, 0xAA, sizeof message);
    EXPECT_NE(GeneratePacketHeader(10001, message + 20), 0);
    EXPECT_NE(GenerateNetworkHeader(message, 40), 0);
    EXPECT_EQ(Hex(message, 40), "2800" + std::string(36, 'a') + "1127" + std::string(36, 'a'));
}

TEST(Md5Checksum, MatchesTheReferenceSuite) {
    // Empty, one block, padding that spills into a second block, and two blocks.
    const std::pair<std::string, std::string> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [input, expected] : suite) {
        auto digest = Md5Digest(reinterpret_cast<const unsigned char*>(input.data()), input.size());
        EXPECT_EQ(Hex(digest.data(), 16), expected) << input;
    }
}

TEST(Md5Checksum, ChecksumLimits) {
    CMD5Checksum md5;
    std::vector<unsigned char> data(1025, 'x');
    unsigned char digest[16];
    std::memset(digest, 0x5A, sizeof digest);
    EXPECT_EQ(md5.Checksum(data.data(), 1025, digest), -1);  // outside 0..1024: nothing touched
    EXPECT_EQ(md5.Checksum(data.data(), -1, digest), -1);
    EXPECT_EQ(Hex(digest, 16), "5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a5a");
    EXPECT_EQ(md5.Checksum(data.data(), 0, digest), 1);
    EXPECT_EQ(Hex(digest, 16), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5.Checksum(data.data(), 1024, digest), 1);
    EXPECT_EQ(Hex(digest, 16), Hex(Md5Digest(data.data(), 1024).data(), 16));
}

TEST(MessageValidator, ChecksumCoversOnlyTheBytesAfterTheNetworkHeader) {
    auto message = BuildHeadersOnlyRequest(1, kRestartRequest);
    CMessageValidator validator(nullptr);
    EXPECT_EQ(validator.GenerateChecksum(message.data(), message.data() + 20, 40), 1);
    auto expected = Md5Digest(message.data() + 20, 20);
    EXPECT_EQ(Hex(message.data() + 4, 16), Hex(expected.data(), 16));
    EXPECT_EQ(Hex(message.data(), 4), "28000000");
    EXPECT_EQ(validator.GenerateChecksum(message.data(), message.data() + 20, 1045), 0);
}
