#include "config/IpAddress.h"

#include <cstdio>
#include <cstring>

#include "log/Format.h"

void ParseIpAddress(const std::string& text, int octets[4]) {
    const char* position = text.c_str();
    const char* end = position + text.size();
    for (int i = 0; i < 4; ++i) {
        octets[i] = 0;
        if (position >= end) {
            continue;
        }
        const char* dot = std::strchr(position, '.');
        const std::string part(position, dot ? dot : end);
        int value = 0;
        if (std::sscanf(part.c_str(), "%d", &value) == 1) {
            octets[i] = value & 0xFF;
        }
        position += part.size() + 1;
    }
}

std::string FormatIpAddress(const int octets[4]) {
    return Fmt("%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}
