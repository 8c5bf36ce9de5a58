#include "platform/SocketOwner.h"

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {

namespace {

constexpr int kTcpListen = 10;  // the kernel's TCP_LISTEN state

// An address as the socket tables hold it: IPv4 in the first four bytes.
struct Endpoint {
    int family = 0;
    std::array<unsigned char, 16> address{};
    std::uint16_t port = 0;  // host order
};

struct Listener {
    Endpoint at;
    std::uint32_t uid = 0;
};

bool PeerOf(int socket, Endpoint* peer) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return false;
    }
    peer->family = address.ss_family;
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        std::memcpy(peer->address.data(), &v4->sin_addr, 4);
        peer->port = ntohs(v4->sin_port);
        return true;
    }
    if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        std::memcpy(peer->address.data(), &v6->sin6_addr, 16);
        peer->port = ntohs(v6->sin6_port);
        return true;
    }
    return false;
}

bool IsZero(const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

// The IPv4 address inside an IPv4-mapped IPv6 address (::ffff:a.b.c.d), if it is one.
bool MappedV4(const std::array<unsigned char, 16>& v6, unsigned char* v4) {
    static const unsigned char prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(v6.data(), prefix, sizeof prefix) != 0) {
        return false;
    }
    std::memcpy(v4, v6.data() + 12, 4);
    return true;
}

// 2 when `listener` is bound to the peer's own address, 1 when to the wildcard address that
// takes it, 0 when it does not take connections to the peer at all.
int Takes(const Listener& listener, const Endpoint& peer) {
    if (listener.at.port != peer.port) {
        return 0;
    }
    unsigned char v4[4];
    const bool peerV4 = peer.family == AF_INET || MappedV4(peer.address, v4);
    if (peer.family == AF_INET) {
        std::memcpy(v4, peer.address.data(), 4);
    }
    const unsigned char* bound = listener.at.address.data();
    if (listener.at.family == AF_INET) {
        if (!peerV4) {
            return 0;
        }
        return std::memcmp(bound, v4, 4) == 0 ? 2 : IsZero(bound, 4) ? 1 : 0;
    }
    if (IsZero(bound, 16)) {
        return 1;  // :: takes IPv4 too, unless the socket is IPv6-only (it cannot be told)
    }
    if (peer.family == AF_INET6 && std::memcmp(bound, peer.address.data(), 16) == 0) {
        return 2;
    }
    unsigned char boundV4[4];
    return peerV4 && MappedV4(listener.at.address, boundV4) && std::memcmp(boundV4, v4, 4) == 0 ? 2
                                                                                                : 0;
}

// Every listening TCP socket of one family, from the kernel's socket diagnostics. 0, or the
// error number that kept the dump from being read.
int NetlinkListeners(int family, std::vector<Listener>* listeners) {
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0) {
        return errno;
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << kTcpListen;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) < 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    alignas(nlmsghdr) char buffer[32768];
    for (;;) {
        const ssize_t length = recv(fd, buffer, sizeof buffer, 0);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            close(fd);
            return error;
        }
        int left = static_cast<int>(length);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == NLMSG_DONE) {
                close(fd);
                return 0;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                const int error = -static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error;
                close(fd);
                return error != 0 ? error : EPROTO;
            }
            const auto* diag = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
            Listener listener;
            listener.at.family = diag->idiag_family;
            std::memcpy(listener.at.address.data(), diag->id.idiag_src, 16);
            listener.at.port = ntohs(diag->id.idiag_sport);
            listener.uid = diag->idiag_uid;
            listeners->push_back(listener);
        }
        if (length == 0) {
            close(fd);
            return EPROTO;  // the kernel ended the dump without saying it was done
        }
    }
}

// One /proc/net/tcp or tcp6 table's listeners. Addresses are printed as the hex of each
// 32-bit word as this machine stores it, ports as plain hex.
bool ProcListeners(const std::string& path, int family, std::vector<Listener>* listeners) {
    std::ifstream table(path);
    if (!table) {
        return false;
    }
    std::string line;
    std::getline(table, line);  // the header
    const std::size_t words = family == AF_INET ? 1 : 4;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits;
        Listener listener;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >>
              listener.uid) ||
            state != "0A" || local.size() != words * 8 + 5 || local[words * 8] != ':') {
            continue;
        }
        listener.at.family = family;
        for (std::size_t word = 0; word < words; ++word) {
            const auto value =
                static_cast<std::uint32_t>(std::stoul(local.substr(word * 8, 8), nullptr, 16));
            std::memcpy(listener.at.address.data() + word * 4, &value, 4);
        }
        listener.at.port =
            static_cast<std::uint16_t>(std::stoul(local.substr(words * 8 + 1), nullptr, 16));
        listeners->push_back(listener);
    }
    return true;
}

bool ReadListeners(SocketTable table, const std::string& procRoot, std::vector<Listener>* listeners,
                   std::string* why) {
    if (table == SocketTable::kNetlink) {
        const int error = NetlinkListeners(AF_INET, listeners);
        if (error == 0 && NetlinkListeners(AF_INET6, listeners) == 0) {
            return true;
        }
        listeners->clear();
    }
    if (!ProcListeners(procRoot + "/net/tcp", AF_INET, listeners)) {
        *why = "neither the socket diagnostics nor " + procRoot + "/net/tcp can be read";
        return false;
    }
    ProcListeners(procRoot + "/net/tcp6", AF_INET6, listeners);  // absent without IPv6
    return true;
}

}  // namespace

SocketOwner ListenerOwner(int connectedSocket, SocketTable table, const std::string& procRoot) {
    SocketOwner owner;
    Endpoint peer;
    if (!PeerOf(connectedSocket, &peer)) {
        owner.why = std::string("the connection has no peer: ") + std::strerror(errno);
        return owner;
    }
    std::vector<Listener> listeners;
    if (!ReadListeners(table, procRoot, &listeners, &owner.why)) {
        return owner;
    }
    int best = 0;
    for (const Listener& listener : listeners) {
        const int fit = Takes(listener, peer);
        if (fit > best) {
            best = fit;
            owner.known = true;
            owner.uid = listener.uid;
        }
    }
    if (!owner.known) {
        owner.why = "no socket listens on port " + std::to_string(peer.port) + " any more";
    }
    return owner;
}

}  // namespace platform
