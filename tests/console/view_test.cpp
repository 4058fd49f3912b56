// The view of a terminal smaller than the screen buffer: what it follows,
// how far it scrolls, and how mouse positions map through it.
#include <gtest/gtest.h>

#include <memory>

#include "console/view.h"

using con::Wait;
using con::View;

namespace {

class TerminalView : public ::testing::Test {
protected:
    void Focus(SHORT left, SHORT top, SHORT right, SHORT bottom) {
        st->has_focus = true;
        st->focus = {left, top, right, bottom};
    }
    std::pair<int, int> Origin() const { return {v.left(), v.top()}; }

    std::unique_ptr<con::ConsoleState> st = std::make_unique<con::ConsoleState>();
    View v;
};

TEST_F(TerminalView, ATerminalAsLargeAsTheBufferShowsItFromTheCorner) {
    for (auto [cols, rows] : {std::pair{150, 100}, {200, 120}}) {
        v.set_terminal(cols, rows);
        Focus(100, 90, 149, 99);
        v.follow(*st, Wait::Event);
        EXPECT_EQ(Origin(), std::pair(0, 0));
        EXPECT_FALSE(v.scroll(5, 5, *st));
    }
}

TEST_F(TerminalView, FollowsTheFocusByTheLeastMove) {
    v.set_terminal(80, 24);
    // The exit dialog, rows 46 to 52, and one cell around it.
    Focus(64, 46, 85, 52);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(86 - 79, 53 - 23));
    // Already in sight: no move.
    Focus(20, 40, 30, 45);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(7, 30));
    // Above and left of the view: the least move, one cell around it.
    Focus(2, 30, 20, 37);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(1, 29));
    // A sub-menu fits with the top-left corner in view: the view goes back
    // there, the menu bar above the sub-menu.
    Focus(2, 1, 20, 8);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(0, 0));
    // Too large for a margin: exactly the rectangle.
    Focus(10, 50, 89, 73);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(10, 50));
    // Larger than the terminal: its top-left part.
    Focus(10, 10, 140, 90);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(10, 10));
}

TEST_F(TerminalView, FollowsTheCursorOnlyWhileInputIsAwaited) {
    v.set_terminal(80, 24);
    st->cursor = {120, 70};
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(0, 0));
    v.follow(*st, Wait::Line);
    EXPECT_EQ(Origin(), std::pair(41, 47));
    st->cursor = {0, 99};
    v.follow(*st, Wait::Key);
    EXPECT_EQ(Origin(), std::pair(0, 76));
    // The focus wins over the cursor.
    Focus(0, 0, 10, 5);
    v.follow(*st, Wait::Line);
    EXPECT_EQ(Origin(), std::pair(0, 0));
}

// Once the focus fits at the top-left corner, or there comes to be none, the
// view goes back there; with still none, it stays where it is scrolled.
TEST_F(TerminalView, ReturnsToTheCornerWhenTheFocusFitsThere) {
    v.set_terminal(40, 10);
    Focus(79, 1, 102, 8);  // the help menu
    v.follow(*st, Wait::Event);
    st->has_focus = false;
    st->cursor = {2, 5};
    v.follow(*st, Wait::Key);
    EXPECT_EQ(Origin(), std::pair(0, 0));
    v.scroll(30, 5, *st);
    v.follow(*st, Wait::Event);
    EXPECT_EQ(Origin(), std::pair(0, 0));
    v.scroll(0, 5, *st);
    v.follow(*st, Wait::Event);  // the mouse moved over a listing
    EXPECT_EQ(Origin(), std::pair(0, 5));
}

TEST_F(TerminalView, ScrollsWithinTheBuffer) {
    v.set_terminal(80, 24);
    EXPECT_FALSE(v.scroll(-1, -1, *st));
    EXPECT_TRUE(v.scroll(0, 23, *st));
    EXPECT_EQ(Origin(), std::pair(0, 23));
    EXPECT_TRUE(v.scroll(1000, 1000, *st));
    EXPECT_EQ(Origin(), std::pair(70, 76));
    // A terminal that grows keeps the view inside the buffer.
    v.set_terminal(120, 90);
    v.scroll(0, 0, *st);
    EXPECT_EQ(Origin(), std::pair(30, 10));
}

TEST_F(TerminalView, GoesUpIntoTheScrollBackAndBackToWhereItWasLive) {
    v.set_terminal(80, 24);
    v.follow(*st, Wait::Event);  // nothing to follow: the corner, once
    EXPECT_FALSE(v.scroll(0, -5, *st)) << "with no scroll-back the buffer's top is the end";
    ASSERT_TRUE(v.scroll(0, 30, *st));
    v.follow(*st, Wait::Event);
    EXPECT_EQ(v.top(), 30) << "the user's scroll stays";
    ASSERT_TRUE(v.scroll(0, -50, *st, 15));
    EXPECT_EQ(v.top(), -15);
    EXPECT_TRUE(v.in_history());
    v.follow(*st, Wait::Event);
    EXPECT_EQ(v.top(), -15) << "what the program waits on does not pull it out";
    v.leave_history(*st, Wait::Event);
    EXPECT_EQ(v.top(), 30);
}

TEST_F(TerminalView, MousePositionsMapThroughTheView) {
    v.set_terminal(80, 24);
    v.scroll(15, 29, *st);
    COORD c{};
    ASSERT_TRUE(v.to_buffer(0, 0, *st, c));
    EXPECT_EQ(c.X, 15);
    EXPECT_EQ(c.Y, 29);
    ASSERT_TRUE(v.to_buffer(79, 23, *st, c));
    EXPECT_EQ(c.X, 94);
    EXPECT_EQ(c.Y, 52);
    // Beyond the buffer of a larger terminal: no cell.
    v.set_terminal(200, 120);
    v.follow(*st, Wait::Event);
    EXPECT_TRUE(v.to_buffer(149, 99, *st, c));
    EXPECT_FALSE(v.to_buffer(150, 0, *st, c));
    EXPECT_FALSE(v.to_buffer(0, 100, *st, c));
}

}  // namespace
