// The front end on every terminal of the terminfo database: each is accepted,
// and the start screen and everything sent on the way in and out reach it
// with terminfo's padding resolved, never as "$<n>".
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/terminal/terminal_frontend.h"
#include "support/app_test.h"

namespace {

using EveryTermTest = AppTest;

TEST_F(EveryTermTest, NoPaddingMarkReachesAnyAcceptedTerminal) {
    std::vector<std::string> names;  // `toe -a`: every entry of the database
    if (FILE* toe = popen("toe -a 2>/dev/null", "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, toe)) names.emplace_back(line, std::strcspn(line, " \t\n"));
        pclose(toe);
    }
    ASSERT_FALSE(names.empty()) << "toe -a listed nothing";
    const char* term = std::getenv("TERM");
    const std::string old_term = term ? term : "";
    StartSys();

    winsize ws{};
    ws.ws_col = SCR_COL;
    ws.ws_row = SCR_ROW;
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &ws), 0);
    // A frame can outgrow the pty's buffer: a thread reads as it comes.
    std::string got;
    std::mutex mu;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char buf[4096];
        for (pollfd p{master, POLLIN, 0}; !stop;)
            if (poll(&p, 1, 10) > 0)
                if (ssize_t n = ::read(master, buf, sizeof buf); n > 0) {
                    std::lock_guard<std::mutex> lock(mu);
                    got.append(buf, static_cast<std::size_t>(n));
                }
    });
    for (const std::string& name : names) {
        setenv("TERM", name.c_str(), 1);
        con::term::TerminalFrontend terminal;
        std::string error;
        if (!terminal.open(error, slave, slave)) {  // vt100 and vt102 among them
            ADD_FAILURE() << "TERM=" << name << " refused: " << error;
            continue;
        }
        // The start screen, then the same with the cursor shown for a line.
        terminal.present(con::state(), con::Wait::Event);
        terminal.present(con::state(), con::Wait::Line);
        terminal.close();
        const std::string mark = "<<" + name + ">>";  // all sent comes before it
        ASSERT_EQ(::write(slave, mark.data(), mark.size()), static_cast<ssize_t>(mark.size()));
        std::string sent;
        for (int waited = 0; waited < 10000; waited += 1, usleep(1000)) {
            std::lock_guard<std::mutex> lock(mu);
            if (std::size_t at = got.find(mark); at != std::string::npos) {
                sent = got.substr(0, at);
                got.erase(0, at + mark.size());
                break;
            }
        }
        EXPECT_EQ(sent.find("$<"), std::string::npos) << "TERM=" << name;
        // The menu bar, in UTF-8 or (for a GBK locale) in GBK.
        EXPECT_TRUE(sent.find(Utf8("帮助(")) != std::string::npos ||
                    sent.find("帮助(") != std::string::npos)
            << "TERM=" << name << ": no start screen";
    }
    stop = true;
    reader.join();
    ::close(master);
    ::close(slave);
    if (term)
        setenv("TERM", old_term.c_str(), 1);
    else
        unsetenv("TERM");
}

}  // namespace
