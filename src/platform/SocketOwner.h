#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Where the owner of a listening socket is looked up: the kernel's socket diagnostics
// (netlink), or the /proc/net/tcp tables where netlink is not offered (some sandboxes).
enum class SocketTable { kNetlink, kProcNet };

// Who owns the listening TCP socket that a connection of this process was made to: the
// account of the process that created it. Only the listener is asked, never the accepted
// socket, which has no owner until the gateway takes it from its queue. Another account's
// process table cannot be read, so the account is what can be known, and it is what counts:
// a process of the gateways' account is the gateway's own.
struct SocketOwner {
    bool known = false;
    std::uint32_t uid = 0;
    std::string why;  // when not known: why not
};

// The owner of the listener behind `connectedSocket` (a connected AF_INET or AF_INET6 TCP
// socket). A specific address wins over a wildcard one, as the kernel chooses. With
// kNetlink, a netlink that cannot be used is followed by the /proc tables under `procRoot`.
SocketOwner ListenerOwner(int connectedSocket, SocketTable table = SocketTable::kNetlink,
                          const std::string& procRoot = "/proc");

}  // namespace platform
