#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// The gateway's end of loopback connections, for tests and benchmarks: listens on a free port
// of 127.0.0.1 and serves the consoles that connect, one at a time. Writes go out as they are
// made (no coalescing), so a piece written is a piece the console's socket receives.
class LoopbackGateway {
  public:
    using Bytes = std::vector<unsigned char>;
    // How many bytes the next write takes, given the bytes left to send.
    using Cut = std::function<std::size_t(const unsigned char* next, std::size_t left)>;

    LoopbackGateway();
    ~LoopbackGateway();
    LoopbackGateway(const LoopbackGateway&) = delete;
    LoopbackGateway& operator=(const LoopbackGateway&) = delete;

    std::string Port() const { return std::to_string(port_); }

    // Waits for the next console to connect; it becomes the one written to and read from.
    bool Accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // One write of all the bytes to the console.
    bool Send(const Bytes& bytes);
    // `count` bytes from the console, or fewer when it stays silent for five seconds.
    Bytes Read(std::size_t count);
    // Ends the stream to the console and closes the connection.
    void Close();

    // On a thread of its own: accepts the next console, writes `bytes` in the pieces `cut`
    // chooses, then ends the stream. `Streamed` waits for that thread. The bytes are kept
    // until the next stream or the end of the gateway.
    void Stream(Bytes bytes, Cut cut);
    void Streamed();

    // A cut of one whole message per write, the way a gateway writes.
    static std::size_t OneMessagePerWrite(const unsigned char* next, std::size_t left);

  private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
    Bytes streamed_;
    std::thread streamer_;
};

// Open descriptors of this process.
std::size_t OpenDescriptors();

}  // namespace testing_support
