#include <gtest/gtest.h>

#include "views/VerticalScroll.h"

// The steps themselves (5 and 50 for a range of 500) are checked on the main window; the lists'
// sorting by heading on the dialogs that have them.
TEST(VerticalScrollTest, MovesStopAtBothEndsAndAResizeStartsAtTheTop) {
    VerticalScroll scroll;
    scroll.Resize(800, 300);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineUp), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineDown), 5);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kThumbPosition, 480), 475);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kPageDown), 20);  // never past the range
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kLineDown), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kOther), 0);
    EXPECT_EQ(scroll.Scroll(VerticalScroll::kPageUp), -50);
    EXPECT_EQ(scroll.Position(), 450);
    scroll.Resize(800, 900);
    EXPECT_EQ(scroll.Position(), 0);
}
