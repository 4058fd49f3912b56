// The terminal front end on a pseudo-terminal: what it writes when the
// program waits, what it makes of what the terminal sends, and how it takes
// the terminal over and gives it back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "console/terminal/terminal_frontend.h"

using con::Wait;
using con::term::TerminalFrontend;

namespace {

class TerminalFrontendTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* term = std::getenv("TERM");
        if (term) old_term_ = term;
        had_term_ = term != nullptr;
        setenv("TERM", "xterm-256color", 1);
        winsize ws{};
        ws.ws_col = 80;
        ws.ws_row = 24;
        ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, &ws), 0);
        tcgetattr(slave_, &before_);
        std::string error;
        ASSERT_TRUE(fe_.open(error, slave_, slave_)) << error;
        Drain();  // the take-over sequence
    }

    void TearDown() override {
        fe_.close();
        if (master_ >= 0) ::close(master_);
        ::close(slave_);
        if (had_term_)
            setenv("TERM", old_term_.c_str(), 1);
        else
            unsetenv("TERM");
    }

    // Everything the front end has written so far. A mark written after it on
    // the same terminal comes out after it, so what comes before the mark is
    // all of it: no quiet spell is waited for, which a busy machine may break.
    std::string Drain() {
        const std::string mark = "<<drained " + std::to_string(++drains_) + ">>";
        EXPECT_EQ(::write(slave_, mark.data(), mark.size()), static_cast<ssize_t>(mark.size()));
        const long deadline = NowMs() + 10000;
        std::string out;
        char buf[4096];
        while (out.find(mark) == std::string::npos) {
            const long left = deadline - NowMs();
            pollfd p{master_, POLLIN, 0};
            const int ready = left > 0 ? poll(&p, 1, static_cast<int>(left)) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) {
                ADD_FAILURE() << "the mark did not come back; read: " << out;
                return out;
            }
            if (!(p.revents & POLLIN)) continue;
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) {
                ADD_FAILURE() << "the terminal ended before the mark; read: " << out;
                return out;
            }
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out.substr(0, out.find(mark));
    }

    static long NowMs() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
    }

    void Type(const std::string& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    void Put(int x, int y, const char* text) {
        const int x0 = x;
        for (; *text; ++text) st_->screen.at(x++, y).ch = *text;
        st_->screen.pair_bytes(y, x0, x - 1);
    }

    std::unique_ptr<con::ConsoleState> st_ = std::make_unique<con::ConsoleState>();
    TerminalFrontend fe_;
    int master_ = -1;
    int slave_ = -1;
    termios before_{};
    int drains_ = 0;
    std::string old_term_;
    bool had_term_ = false;
};

TEST_F(TerminalFrontendTest, TakesTheTerminalOverAndGivesItBack) {
    termios t{};
    tcgetattr(slave_, &t);
    EXPECT_FALSE(t.c_lflag & ICANON);
    EXPECT_FALSE(t.c_lflag & ECHO);
    EXPECT_TRUE(t.c_lflag & ISIG) << "Ctrl+C and Ctrl+Z must still signal";
    EXPECT_FALSE(t.c_iflag & ICRNL);
    EXPECT_FALSE(t.c_iflag & IXON);

    fe_.close();
    std::string out = Drain();
    std::string mouse_off = "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l";
    EXPECT_NE(out.find(mouse_off), std::string::npos);
    EXPECT_NE(out.find("\x1b[?25h"), std::string::npos) << "cursor shown again";
    EXPECT_NE(out.find("\x1b[?1049l"), std::string::npos) << "normal screen back";
    EXPECT_LT(out.find(mouse_off), out.find("\x1b[?1049l"));
    // Default colours, a cleared screen and the cursor home before the
    // alternate screen goes: where there is none, the shell starts clean.
    std::size_t clear = out.find("\x1b(B\x1b[m\x1b[H\x1b[2J");
    ASSERT_NE(clear, std::string::npos) << out;
    EXPECT_LT(out.find(mouse_off), clear);
    EXPECT_LT(clear, out.find("\x1b[?1049l"));
    tcgetattr(slave_, &t);
    EXPECT_EQ(t.c_lflag, before_.c_lflag);
    EXPECT_EQ(t.c_iflag, before_.c_iflag);
    fe_.close();  // a second close writes nothing
    EXPECT_EQ(Drain(), "");
}

TEST_F(TerminalFrontendTest, TheTakeOverSequenceSwitchesModesOnInOrder) {
    fe_.close();
    Drain();
    std::string error;
    ASSERT_TRUE(fe_.open(error, slave_, slave_));
    std::string out = Drain();
    std::size_t alt = out.find("\x1b[?1049h");
    std::size_t mouse = out.find("\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h");
    ASSERT_NE(alt, std::string::npos);
    ASSERT_NE(mouse, std::string::npos);
    EXPECT_LT(alt, mouse);
}

TEST_F(TerminalFrontendTest, PresentWritesAFrameAndTheCursorOnlyForLineInput) {
    Put(0, 0, "hello");
    st_->cursor = {3, 2};
    st_->cursor_info.bVisible = FALSE;
    fe_.present(*st_, Wait::Event);
    std::string out = Drain();
    EXPECT_NE(out.find("hello"), std::string::npos);
    EXPECT_NE(out.find("\x1b[?25l"), std::string::npos);

    fe_.present(*st_, Wait::Event);
    EXPECT_EQ(Drain(), "") << "nothing changed, nothing written";

    // Line input shows the cursor where the typing goes, though the program hid it.
    fe_.present(*st_, Wait::Line);
    EXPECT_EQ(Drain(), "\x1b[3;4H\x1b[?12l\x1b[?25h");
    fe_.present(*st_, Wait::Key);
    EXPECT_EQ(Drain(), "\x1b[?25l");
}

TEST_F(TerminalFrontendTest, ReadsKeysAndMapsMouseThroughTheView) {
    // The exit dialog on an 80 x 24 terminal: the view moves to (7, 30).
    st_->has_focus = true;
    st_->focus = {64, 46, 85, 52};
    fe_.present(*st_, Wait::Event);
    Drain();
    Type("a\x1b[<0;11;6M");
    INPUT_RECORD r{};
    ASSERT_TRUE(fe_.read(r));
    EXPECT_EQ(r.EventType, KEY_EVENT);
    EXPECT_EQ(r.Event.KeyEvent.uChar.AsciiChar, 'a');
    ASSERT_TRUE(fe_.read(r));
    ASSERT_EQ(r.EventType, MOUSE_EVENT);
    EXPECT_EQ(r.Event.MouseEvent.dwMousePosition.X, 10 + 7);
    EXPECT_EQ(r.Event.MouseEvent.dwMousePosition.Y, 5 + 30);
    EXPECT_EQ(r.Event.MouseEvent.dwButtonState, FROM_LEFT_1ST_BUTTON_PRESSED);
}

TEST_F(TerminalFrontendTest, PageKeysAndTheWheelScrollTheViewAndAreNotPassedOn) {
    Put(0, 23, "row23");
    Put(0, 24, "row24");
    fe_.present(*st_, Wait::Event);
    Drain();
    Type("\x1b[6~");          // PgDn: 23 rows down
    Type("\x1b[<65;1;1M");    // wheel down: 3 more
    Type("\x1b[<64;1;1M");    // wheel up: 3 back
    Type("z");
    INPUT_RECORD r{};
    ASSERT_TRUE(fe_.read(r));
    EXPECT_EQ(r.EventType, KEY_EVENT);
    EXPECT_EQ(r.Event.KeyEvent.uChar.AsciiChar, 'z');
    std::string out = Drain();
    // Row 24 of the buffer now stands on the terminal's row 2 (1-based).
    EXPECT_NE(out.find("\x1b[2Hrow24"), std::string::npos) << out;
    // A click lands on the buffer row under it.
    Type("\x1b[<0;1;1M");
    ASSERT_TRUE(fe_.read(r));
    ASSERT_EQ(r.EventType, MOUSE_EVENT);
    EXPECT_EQ(r.Event.MouseEvent.dwMousePosition.Y, 23);
}

TEST_F(TerminalFrontendTest, ShiftPgUpReachesTheScrollBackAndAnyKeyComesBackBeforeItIsPassedOn) {
    con::Cell row[con::kCols];
    for (int i = 0; i < 30; ++i) {
        std::string text = "old" + std::to_string(i);
        for (int x = 0; x < con::kCols; ++x)
            row[x].ch = x < static_cast<int>(text.size()) ? text[x] : ' ';
        fe_.row_scrolled_off(row, con::kCols);
    }
    Put(0, 0, "live0");
    fe_.present(*st_, Wait::Event);
    Drain();
    Type("[5;2~");      // Shift+PgUp: half of 24 rows up
    Type("[<35;5;5M");  // motion over the scroll-back: nobody's
    Type("z");
    INPUT_RECORD r{};
    ASSERT_TRUE(fe_.read(r));
    EXPECT_EQ(r.Event.KeyEvent.uChar.AsciiChar, 'z') << "the motion was passed on";
    std::string out = Drain();
    // old18 stands on the top row; the marker on the last; then the live
    // screen is back before the key is the program's.
    std::size_t old18 = out.find("old18\x1b[2Hold19");
    std::size_t marker = out.find(reinterpret_cast<const char*>(u8"历史 -12 行，任意键返回"));
    std::size_t live = out.rfind("live0");
    EXPECT_NE(old18, std::string::npos) << out;
    ASSERT_NE(marker, std::string::npos) << out;
    EXPECT_GT(live, marker) << out;
    EXPECT_EQ(fe_.history().size(), 30);
}

TEST_F(TerminalFrontendTest, TheBellSoundsWithTheNextFrame) {
    Put(0, 0, "line");
    fe_.present(*st_, Wait::Line);
    Drain();
    fe_.bell();
    fe_.present(*st_, Wait::Line);
    EXPECT_EQ(Drain(), "\a");
    fe_.present(*st_, Wait::Line);
    EXPECT_EQ(Drain(), "") << "once";
}

TEST_F(TerminalFrontendTest, AboveTheOldestRowKeptAMarkerTellsHowManyWereDropped) {
    con::Cell row[con::kCols];
    const int pushed = con::term::History::kCapacity + 7;
    for (int i = 0; i < pushed; ++i) {
        std::string text = "old" + std::to_string(i);
        for (int x = 0; x < con::kCols; ++x)
            row[x].ch = x < static_cast<int>(text.size()) ? text[x] : ' ';
        fe_.row_scrolled_off(row, con::kCols);
    }
    fe_.present(*st_, Wait::Event);
    Drain();
    // PgUp by PgUp to the top, and past it: the view stops at the marker.
    std::string page_ups;
    for (int i = 0; i < pushed / 23 + 5; ++i) page_ups += "\x1b[5~";
    Type(page_ups + "z");
    // Hundreds of frames outgrow the pty's buffer: a thread reads as they come.
    std::string out;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char buf[4096];
        for (pollfd p{master_, POLLIN, 0}; !stop;)
            if (poll(&p, 1, 10) > 0)
                if (ssize_t n = ::read(master_, buf, sizeof buf); n > 0)
                    out.append(buf, static_cast<std::size_t>(n));
    });
    INPUT_RECORD r{};
    const bool got = fe_.read(r);
    usleep(100000);
    stop = true;
    reader.join();
    ASSERT_TRUE(got);
    EXPECT_EQ(r.Event.KeyEvent.uChar.AsciiChar, 'z');
    // The rules on either side are drawn as narrow glyphs, cell by cell.
    const std::string marker = reinterpret_cast<const char*>(u8" 更早的 7 行已不保留 ");
    std::size_t at = out.find(marker);
    ASSERT_NE(at, std::string::npos) << out.substr(out.size() > 3000 ? out.size() - 3000 : 0);
    // On the top row, centred (25 blanks before it), in the state bar's
    // colours, and the oldest row kept, old7, under it ("old" stood there).
    std::size_t row1 = out.rfind("\x1b[H", at);
    ASSERT_NE(row1, std::string::npos);
    EXPECT_EQ(out.compare(row1 + 3, 25, std::string(25, ' ')), 0) << out.substr(row1, at - row1);
    EXPECT_GT(out.rfind("\x1b[30;47m", at), out.rfind("\x1b[37;40m", at));
    EXPECT_NE(out.find("\x1b[2;4H\x1b[37;40m7 ", at), std::string::npos);
}

TEST_F(TerminalFrontendTest, AResizeRepaintsEvenWhileWaitingForInput) {
    Put(0, 0, "top");
    fe_.present(*st_, Wait::Event);
    Drain();
    winsize ws{};
    ws.ws_col = 100;
    ws.ws_row = 30;
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &ws), 0);
    raise(SIGWINCH);
    Type("q");
    INPUT_RECORD r{};
    ASSERT_TRUE(fe_.read(r));
    EXPECT_EQ(r.Event.KeyEvent.uChar.AsciiChar, 'q');
    std::string out = Drain();
    EXPECT_NE(out.find("\x1b[H\x1b[2J"), std::string::npos) << "a full repaint";
    EXPECT_NE(out.find("top"), std::string::npos);
}

TEST_F(TerminalFrontendTest, TheEndOfTheTerminalEndsInput) {
    fe_.present(*st_, Wait::Event);
    Drain();
    ::close(master_);
    master_ = -1;
    INPUT_RECORD r{};
    EXPECT_FALSE(fe_.read(r));
    EXPECT_FALSE(fe_.read(r));
}

}  // namespace
