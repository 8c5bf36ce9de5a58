#pragma once

#include <algorithm>

// The main window keeps its designed size and scrolls when its client area is shorter.
// Steps are a hundredth (line) and a tenth (page) of the range, in integer division, and at
// least a pixel while there is anything to scroll, so the arrows always move the content.
class VerticalScroll {
  public:
    enum Request { kLineUp, kLineDown, kPageUp, kPageDown, kThumbPosition, kOther };

    // A size change: the range is what the client lacks of the start-up height.
    void Resize(int startupHeight, int clientHeight) {
        m_range = std::max(0, startupHeight - clientHeight);
        m_position = 0;
    }
    int Range() const { return m_range; }
    int LineStep() const { return m_range > 0 ? std::max(1, m_range / 100) : 0; }
    int PageStep() const { return m_range > 0 ? std::max(1, m_range / 10) : 0; }
    int Position() const { return m_position; }

    // Applies a request and returns the move in pixels (positive is down); `thumb` is the
    // position at the end of a drag.
    int Scroll(Request request, int thumb = 0) {
        int move = 0;
        switch (request) {
            case kLineUp:
                move = Up(LineStep());
                break;
            case kLineDown:
                move = Down(LineStep());
                break;
            case kPageUp:
                move = Up(PageStep());
                break;
            case kPageDown:
                move = Down(PageStep());
                break;
            case kThumbPosition:
                move = thumb - m_position;
                break;
            case kOther:
                break;
        }
        m_position += move;
        return move;
    }

  private:
    int Up(int step) const { return m_position < 1 ? 0 : -std::min(m_position, step); }
    int Down(int step) const {
        return m_position >= m_range ? 0 : std::min(step, m_range - m_position);
    }

    int m_range = 0;
    int m_position = 0;
};
