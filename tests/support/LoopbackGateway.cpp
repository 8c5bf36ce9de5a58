#include "support/LoopbackGateway.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace testing_support {

LoopbackGateway::LoopbackGateway() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    socklen_t size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
}

LoopbackGateway::~LoopbackGateway() {
    Streamed();
    Close();
    close(listener_);
}

bool LoopbackGateway::Accept(std::chrono::milliseconds timeout) {
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(timeout.count())) != 1) {
        return false;
    }
    Close();
    client_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    int on = 1;
    setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return client_ >= 0;
}

bool LoopbackGateway::Send(const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(client_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

LoopbackGateway::Bytes LoopbackGateway::Read(std::size_t count) {
    Bytes bytes;
    while (bytes.size() < count) {
        pollfd ready{client_, POLLIN, 0};
        if (poll(&ready, 1, 5000) != 1) {
            break;
        }
        unsigned char chunk[2048];
        const ssize_t n = recv(client_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

void LoopbackGateway::Close() {
    if (client_ >= 0) {
        close(client_);
        client_ = -1;
    }
}

void LoopbackGateway::Stream(Bytes bytes, Cut cut) {
    Streamed();
    streamed_ = std::move(bytes);
    streamer_ = std::thread([this, cut = std::move(cut)] {
        if (!Accept(std::chrono::seconds(30))) {
            return;
        }
        std::size_t sent = 0;
        while (sent < streamed_.size()) {
            const std::size_t left = streamed_.size() - sent;
            const std::size_t piece = std::min(cut(streamed_.data() + sent, left), left);
            const ssize_t n = send(client_, streamed_.data() + sent, piece, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        shutdown(client_, SHUT_WR);
    });
}

void LoopbackGateway::Streamed() {
    if (streamer_.joinable()) {
        streamer_.join();
    }
}

std::size_t LoopbackGateway::OneMessagePerWrite(const unsigned char* next, std::size_t left) {
    if (left < 2) {
        return left;
    }
    const std::size_t length = next[0] | (next[1] << 8);
    return length == 0 ? left : length;
}

std::size_t OpenDescriptors() {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

}  // namespace testing_support
