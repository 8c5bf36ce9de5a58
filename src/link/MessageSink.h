#pragma once

#include <cstdint>

// What a user of a gateway session implements: every call arrives on the GUI thread.
class CMessageSink {
  public:
    virtual ~CMessageSink() = default;
    // One inbound message, valid only during the call; `messageCode` is the word at offset 20.
    virtual int RouteMessage(const unsigned char* message, std::uint16_t messageCode) = 0;
    virtual void OnConnectionEstablished() = 0;
    // The gateway closed the connection; the session has already closed its socket.
    virtual void OnConnectionLost() = 0;
};
