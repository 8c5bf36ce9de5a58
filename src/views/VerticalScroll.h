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
        range_ = std::max(0, startupHeight - clientHeight);
        position_ = 0;
    }
    int Range() const { return range_; }
    int LineStep() const { return range_ > 0 ? std::max(1, range_ / 100) : 0; }
    int PageStep() const { return range_ > 0 ? std::max(1, range_ / 10) : 0; }
    int Position() const { return position_; }

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
                move = thumb - position_;
                break;
            case kOther:
                break;
        }
        position_ += move;
        return move;
    }

  private:
    int Up(int step) const { return position_ < 1 ? 0 : -std::min(position_, step); }
    int Down(int step) const {
        return position_ >= range_ ? 0 : std::min(step, range_ - position_);
    }

    int range_ = 0;
    int position_ = 0;
};
