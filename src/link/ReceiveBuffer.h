#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// The bytes a gateway link has read and the session has not yet received. What the source
// holds is read, up to 64 KiB at a time, behind the bytes still waiting, and Receive is
// served from the front. The source is reached only through a read function, so this is
// plain code: the socket transport passes recv(), anything else that delivers a byte stream
// can pass its own.
class ReceiveBuffer {
  public:
    // Reads at most `room` bytes into `into` as recv() does: the count, 0 at the end of the
    // stream, or -1 with errno set (EAGAIN or EWOULDBLOCK when nothing is there yet).
    using Read = std::function<long(unsigned char* into, std::size_t room)>;
    // What the session is to hear next: nothing yet, a message (a whole one or a bad length
    // field in front, or after the end of the stream whatever is left), or the close.
    enum class Next { kWait, kMessage, kClose };

    // Reads what the source holds behind the bytes not yet received. True when bytes came or
    // the stream ended.
    bool Fill(const Read& read);
    // A transport's Receive: up to `length` buffered bytes (never more than 1024), reading
    // first when none are buffered. The count; 0 once the stream has ended and every byte was
    // received; -1 with the last error set when nothing is there yet (EWOULDBLOCK) or the
    // stream ended with a reset (its error number).
    int Receive(char* into, int length, const Read& read);
    Next NextEvent() const;

    bool PeerClosed() const { return m_peerClosed; }
    // 0, or the error number of the reset that ended the stream.
    int CloseError() const { return m_closeError; }
    // The last read left room: the source had nothing more for now.
    bool Drained() const { return m_drained; }

  private:
    const unsigned char* Front() const { return m_bytes.data() + m_head; }
    std::size_t Buffered() const { return m_tail - m_head; }

    std::vector<unsigned char> m_bytes;  // allocated at the first read
    std::size_t m_head = 0;              // first byte not yet received by the session
    std::size_t m_tail = 0;              // end of the bytes read
    bool m_peerClosed = false;           // end of stream or a reset was read
    int m_closeError = 0;                // the reset's error number
    bool m_drained = false;
};
