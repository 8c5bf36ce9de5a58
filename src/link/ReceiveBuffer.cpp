#include "link/ReceiveBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/MessageFrame.h"
#include "platform/SettingsStore.h"

namespace {

constexpr std::size_t kCapacity = 64 * 1024;  // also the most one read takes
constexpr int kMostPerReceive = 1024;

}  // namespace

bool ReceiveBuffer::Fill(const Read& read) {
    if (m_bytes.empty()) {
        m_bytes.resize(kCapacity);
    }
    if (m_head > 0) {
        std::memmove(m_bytes.data(), Front(), Buffered());
        m_tail -= m_head;
        m_head = 0;
    }
    const std::size_t room = m_bytes.size() - m_tail;
    if (room == 0 || m_peerClosed) {
        return false;
    }
    long result;
    do {
        result = read(m_bytes.data() + m_tail, room);
    } while (result == -1 && errno == EINTR);
    if (result > 0) {
        m_tail += static_cast<std::size_t>(result);
        m_drained = static_cast<std::size_t>(result) < room;
        return true;
    }
    if (result == -1 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return false;
    }
    m_peerClosed = true;  // end of stream, or a reset
    m_closeError = result == 0 ? 0 : errno;
    return true;
}

int ReceiveBuffer::Receive(char* into, int length, const Read& read) {
    if (Buffered() == 0 && !m_peerClosed) {
        Fill(read);
    }
    if (Buffered() == 0) {
        if (!m_peerClosed) {
            platform::SetLastError(EWOULDBLOCK);
            return -1;
        }
        if (m_closeError != 0) {
            platform::SetLastError(m_closeError);
            return -1;
        }
        return 0;
    }
    const std::size_t count =
        std::min(Buffered(), static_cast<std::size_t>(std::clamp(length, 0, kMostPerReceive)));
    std::memcpy(into, Front(), count);
    m_head += count;
    if (m_head == m_tail) {
        m_head = m_tail = 0;
    }
    return static_cast<int>(count);
}

ReceiveBuffer::Next ReceiveBuffer::NextEvent() const {
    if (InspectInboundFrame(Front(), Buffered()) != InboundFrame::kIncomplete) {
        return Next::kMessage;
    }
    if (m_peerClosed) {
        return Buffered() > 0 ? Next::kMessage : Next::kClose;
    }
    return Next::kWait;
}
