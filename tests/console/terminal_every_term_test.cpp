// The front end on every terminal of the terminfo database: the start screen
// and everything sent on the way in and out reach each terminal the program
// accepts with terminfo's padding resolved, never as "$<n>".
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
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

// The names `toe -a` lists: every entry of the terminfo database.
std::vector<std::string> TerminfoNames() {
    std::vector<std::string> names;
    FILE* toe = popen("toe -a 2>/dev/null", "r");
    if (!toe) return names;
    char line[512];
    while (std::fgets(line, sizeof line, toe)) {
        std::string name(line, std::strcspn(line, " \t\n"));
        if (!name.empty()) names.push_back(name);
    }
    pclose(toe);
    return names;
}

// What a pseudo-terminal receives, read as it comes: a frame larger than the
// pty's buffer would block the front end otherwise.
class PtyReader {
public:
    PtyReader(int master, int slave) : master_(master), slave_(slave), thread_([this] { Run(); }) {}
    ~PtyReader() {
        stop_ = true;
        thread_.join();
    }
    // Everything received before an end mark written now.
    std::string Take() {
        static const std::string kMark = "<<end of terminal>>";
        EXPECT_EQ(::write(slave_, kMark.data(), kMark.size()), static_cast<ssize_t>(kMark.size()));
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait_for(lock, std::chrono::seconds(10),
                     [&] { return got_.find(kMark) != std::string::npos; });
        const std::size_t at = std::min(got_.find(kMark), got_.size());
        std::string out = got_.substr(0, at);
        got_.erase(0, std::min(at + kMark.size(), got_.size()));
        return out;
    }

private:
    void Run() {
        char buf[4096];
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) continue;
            std::lock_guard<std::mutex> lock(mu_);
            got_.append(buf, static_cast<std::size_t>(n));
            cv_.notify_all();
        }
    }

    int master_, slave_;
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::condition_variable cv_;
    std::string got_;
    std::thread thread_;
};

using EveryTermTest = AppTest;

TEST_F(EveryTermTest, NoPaddingMarkReachesAnyAcceptedTerminal) {
    const std::vector<std::string> names = TerminfoNames();
    ASSERT_FALSE(names.empty()) << "toe -a listed nothing";
    const char* term = std::getenv("TERM");
    const std::string old_term = term ? term : "";

    StartSys();
    const std::string menu = Utf8("帮助(");  // the terminal's encoding is UTF-8 here
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    unsetenv("LANG");
    winsize ws{};
    ws.ws_col = SCR_COL;
    ws.ws_row = SCR_ROW;
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &ws), 0);
    std::vector<std::string> accepted, refused;
    {
        PtyReader pty(master, slave);
        for (const std::string& name : names) {
            setenv("TERM", name.c_str(), 1);
            con::term::TerminalFrontend terminal;
            std::string error;
            if (!terminal.open(error, slave, slave)) {
                refused.push_back(name + " (" + error + ")");
                continue;
            }
            accepted.push_back(name);
            // The start screen, then the same with the cursor shown for a line.
            terminal.present(con::state(), con::Wait::Event);
            terminal.present(con::state(), con::Wait::Line);
            terminal.close();
            const std::string sent = pty.Take();
            EXPECT_EQ(sent.find("$<"), std::string::npos) << "TERM=" << name;
            EXPECT_NE(sent.find(menu), std::string::npos) << "TERM=" << name << ": no start screen";
        }
    }
    ::close(master);
    ::close(slave);
    if (term)
        setenv("TERM", old_term.c_str(), 1);
    else
        unsetenv("TERM");

    for (const char* must : {"vt100", "vt102", "xterm", "linux"})
        EXPECT_NE(std::find(accepted.begin(), accepted.end(), must), accepted.end()) << must;
    std::string why;
    for (const std::string& r : refused) why += r + "\n";
    EXPECT_TRUE(refused.empty()) << "refused:\n" << why;
    std::printf("%zu terminals of the terminfo database checked\n", accepted.size());
}

}  // namespace
