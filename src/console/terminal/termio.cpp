#include "console/terminal/termio.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

// terminfo; after the standard headers, since it defines macros of common names.
#include <term.h>

namespace con::term {

namespace {

// Mouse reporting on: clicks (1000), drags (1002) and any motion (1003), as SGR
// reports (1006). Terminals that lack a mode fall back to the ones before it.
// Switched off in the reverse order.
constexpr const char kMouseOn[] = "\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h";
constexpr const char kMouseOff[] = "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l";
// The window title is saved on the terminal's title stack and restored on leaving.
constexpr const char kTitlePush[] = "\x1b[22;0t";
constexpr const char kTitlePop[] = "\x1b[23;0t";
// xterm's "meta sends escape": Alt+letter arrives as ESC and the letter, as in
// most terminals, instead of the letter with its eighth bit set (which a UTF-8
// xterm sends as a Latin-1 letter). Terminals without the mode ignore it.
constexpr const char kMetaEscapeOn[] = "\x1b[?1036h";
constexpr const char kMetaEscapeOff[] = "\x1b[?1036l";

// Everything the signal handlers touch: plain data, prepared before any
// handler is installed, so restoring needs only write() and tcsetattr().
struct SignalState {
    int in_fd = -1;
    int out_fd = -1;
    termios saved{};
    termios raw{};
    char enter[1024];
    std::size_t enter_len = 0;
    // Room for a clear whose padding is a second of pad characters (tek4014).
    char leave[8192];
    std::size_t leave_len = 0;
    int pipe_fd[2] = {-1, -1};
};
SignalState g;
volatile sig_atomic_t g_active = 0;  // the terminal is ours (raw, alternate screen)
volatile sig_atomic_t g_resized = 0;
volatile sig_atomic_t g_resumed = 0;

// Every catchable signal whose default action ends the process; the
// real-time signals (SIGRTMIN to SIGRTMAX) end it too and are added to these.
constexpr int kFatalSignals[] = {
    SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT, SIGBUS,    SIGFPE,
    SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM,   SIGTERM, SIGSTKFLT, SIGXCPU,
    SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR,    SIGSYS,
};

template <typename Visit>
void for_each_fatal_signal(Visit visit) {
    for (int sig : kFatalSignals) visit(sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) visit(sig);
}

void write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

void wake() {
    if (g.pipe_fd[1] >= 0) {
        char c = 0;
        [[maybe_unused]] ssize_t n = ::write(g.pipe_fd[1], &c, 1);
    }
}

// Async-signal-safe.
void give_back() {
    if (!g_active) return;
    g_active = 0;
    write_all(g.out_fd, g.leave, g.leave_len);
    tcsetattr(g.in_fd, TCSANOW, &g.saved);
}

// Async-signal-safe.
void take_over() {
    tcsetattr(g.in_fd, TCSANOW, &g.raw);
    write_all(g.out_fd, g.enter, g.enter_len);
    g_active = 1;
}

void on_fatal(int sig) {
    int saved_errno = errno;
    give_back();
    // The handler was reset on entry (SA_RESETHAND): the signal, raised again,
    // does what it would have done, once this handler returns.
    raise(sig);
    errno = saved_errno;
}

void on_tstp(int) {
    int saved_errno = errno;
    bool was_active = g_active;
    give_back();
    struct sigaction dfl {}, ours{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGTSTP, &dfl, &ours);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
    raise(SIGTSTP);  // the process stops here until it is continued
    sigaction(SIGTSTP, &ours, nullptr);
    if (was_active) {
        take_over();
        g_resumed = 1;
        wake();
    }
    errno = saved_errno;
}

void on_cont(int) {
    int saved_errno = errno;
    // Stopped by SIGSTOP rather than Ctrl+Z: the shell may have changed the
    // modes and drawn over the screen meanwhile.
    if (g_active) {
        tcsetattr(g.in_fd, TCSANOW, &g.raw);
        g_resumed = 1;
        wake();
    }
    errno = saved_errno;
}

void on_winch(int) {
    int saved_errno = errno;
    g_resized = 1;
    wake();
    errno = saved_errno;
}

// What each signal did before the terminal was taken over, given back on close.
struct sigaction g_previous[NSIG];

// block_all: no other signal interrupts the handler (a second fatal signal
// must not cut the terminal's restoration short).
void install(int sig, void (*handler)(int), int flags, bool block_all = false) {
    sigaction(sig, nullptr, &g_previous[sig]);
    // A signal the program was started with ignored (nohup, a background job
    // of a shell without job control) stays ignored.
    if (g_previous[sig].sa_handler == SIG_IGN) return;
    struct sigaction sa {};
    sa.sa_handler = handler;
    if (block_all)
        sigfillset(&sa.sa_mask);
    else
        sigemptyset(&sa.sa_mask);
    sa.sa_flags = flags;
    sigaction(sig, &sa, nullptr);
}

void uninstall(int sig) { sigaction(sig, &g_previous[sig], nullptr); }

// Padding may have put NUL pad characters into s: it is copied by its size.
bool append(char* buf, std::size_t cap, std::size_t& len, std::string_view s) {
    if (len + s.size() > cap) return false;
    std::memcpy(buf + len, s.data(), s.size());
    len += s.size();
    return true;
}

// A fixed terminfo string as it is sent, padding resolved; empty when the
// terminal has none.
std::string ready(const char* cap) {
    std::string out;
    append_capability(out, cap);
    return out;
}

// A terminfo string capability, or null when the terminal has none.
const char* cap_string(const char* name) {
    char* s = tigetstr(name);
    return (s == nullptr || s == reinterpret_cast<char*>(-1)) ? nullptr : s;
}

}  // namespace

KeyDecoder::Charset Termio::locale_charset() {
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        value = std::getenv(name);
        if (value && *value) break;
        value = nullptr;
    }
    if (!value) return KeyDecoder::Charset::Utf8;
    const char* dot = std::strchr(value, '.');
    if (!dot) return KeyDecoder::Charset::Utf8;
    std::string codeset(dot + 1, std::strcspn(dot + 1, "@"));
    for (const char* gb : {"gbk", "gb2312", "gb18030", "cp936", "euccn", "euc-cn"})
        if (strcasecmp(codeset.c_str(), gb) == 0) return KeyDecoder::Charset::Gbk;
    return KeyDecoder::Charset::Utf8;
}

bool Termio::open(int in_fd, int out_fd, std::string& error) {
    if (open_) return true;
    if (!isatty(in_fd) || !isatty(out_fd)) {
        error = "standard input and output must be a terminal";
        return false;
    }
    in_fd_ = in_fd;
    out_fd_ = out_fd;

    // Unknown or unset TERM: xterm's sequences, which the terminals we aim at share.
    int err = 0;
    bool have_terminfo = setupterm(nullptr, out_fd, &err) == 0;
    caps_ = TermCaps{};
    std::string smcup = "\x1b[?1049h";
    std::string rmcup = "\x1b[?1049l";
    // The Linux console and its kin print an OSC title as text.
    if (const char* term = std::getenv("TERM"))
        for (const char* plain : {"linux", "dumb", "cons"})
            if (std::strncmp(term, plain, std::strlen(plain)) == 0) caps_.title = false;
    if (have_terminfo) {
        if (const char* cup = cap_string("cup"); cup && std::strcmp(cup, "\x1b[%i%p1%d;%p2%dH") != 0)
            caps_.cup = cup;
        if (const char* s = cap_string("civis")) caps_.civis = ready(s);
        if (const char* s = cap_string("cnorm")) caps_.cnorm = ready(s);
        if (const char* s = cap_string("clear")) caps_.clear = ready(s);
        if (const char* s = cap_string("sgr0")) caps_.sgr0 = ready(s);
        const char* bel = cap_string("bel");
        caps_.bel = bel ? ready(bel) : std::string();
        caps_.bce = tigetflag(const_cast<char*>("bce")) > 0;
        smcup = ready(cap_string("smcup"));
        rmcup = ready(cap_string("rmcup"));
    }

    if (tcgetattr(in_fd, &g.saved) != 0) {
        error = std::string("cannot read the terminal's modes: ") + std::strerror(errno);
        return false;
    }
    g.in_fd = in_fd;
    g.out_fd = out_fd;
    g.raw = g.saved;
    // No echo, no line editing, no flow control, no translation of input;
    // ISIG stays, so Ctrl+C, Ctrl+Z and Ctrl+\ act as they do in any program.
    g.raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                            ICRNL | IXON | IXOFF);
    g.raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
    g.raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    g.raw.c_cflag |= CS8;
    g.raw.c_cc[VMIN] = 1;
    g.raw.c_cc[VTIME] = 0;

    // Leaving, the screen is cleared in the default colours and the cursor
    // put home before the alternate screen goes: where there is none (the
    // Linux console, GNU screen without altscreen) the shell then starts on a
    // clean screen instead of below the program's last frame.
    g.enter_len = g.leave_len = 0;
    bool fits = append(g.enter, sizeof g.enter, g.enter_len, kTitlePush) &&
                append(g.enter, sizeof g.enter, g.enter_len, smcup) &&
                append(g.enter, sizeof g.enter, g.enter_len, kMouseOn) &&
                append(g.enter, sizeof g.enter, g.enter_len, kMetaEscapeOn) &&
                append(g.leave, sizeof g.leave, g.leave_len, kMetaEscapeOff) &&
                append(g.leave, sizeof g.leave, g.leave_len, kMouseOff) &&
                append(g.leave, sizeof g.leave, g.leave_len, caps_.sgr0) &&
                append(g.leave, sizeof g.leave, g.leave_len, caps_.clear) &&
                append(g.leave, sizeof g.leave, g.leave_len, caps_.cnorm) &&
                append(g.leave, sizeof g.leave, g.leave_len, rmcup) &&
                append(g.leave, sizeof g.leave, g.leave_len, kTitlePop);
    if (!fits) {
        error = "the terminal's description is unusable (TERM)";
        return false;
    }

    if (pipe(g.pipe_fd) != 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return false;
    }
    for (int fd : g.pipe_fd) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    take_over();
    for_each_fatal_signal([](int sig) { install(sig, on_fatal, SA_RESETHAND | SA_NODEFER, true); });
    install(SIGTSTP, on_tstp, SA_RESTART);
    install(SIGCONT, on_cont, SA_RESTART);
    install(SIGWINCH, on_winch, SA_RESTART);
    g_resized = 0;
    g_resumed = 0;
    open_ = true;
    return true;
}

void Termio::close() {
    if (!open_) return;
    open_ = false;
    // Handlers first, so that none of them acts on a terminal given back.
    for_each_fatal_signal(uninstall);
    uninstall(SIGTSTP);
    uninstall(SIGCONT);
    uninstall(SIGWINCH);
    give_back();
    // The capabilities were copied out; the description is loaded afresh by
    // the next open.
    if (cur_term) del_curterm(cur_term);
    for (int& fd : g.pipe_fd) {
        ::close(fd);
        fd = -1;
    }
}

void Termio::size(int& cols, int& rows) const {
    winsize ws{};
    if (ioctl(out_fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        cols = ws.ws_col;
        rows = ws.ws_row;
        return;
    }
    cols = 80;
    rows = 24;
}

bool Termio::write(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    while (n > 0) {
        ssize_t w = ::write(out_fd_, p, n);
        if (w < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

Termio::Wake Termio::wait() {
    for (;;) {
        if (g_resized || g_resumed) return Wake::Signal;
        pollfd fds[2] = {{in_fd_, POLLIN, 0}, {g.pipe_fd[0], POLLIN, 0}};
        int n = poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Wake::Input;  // let the read report what is wrong
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(g.pipe_fd[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents) return Wake::Input;
    }
}

unsigned Termio::take_signals() {
    unsigned s = 0;
    if (g_resized) {
        g_resized = 0;
        s |= kResized;
    }
    if (g_resumed) {
        g_resumed = 0;
        s |= kResumed;
    }
    return s;
}

int TtySource::get(int timeout_ms) {
    int b;
    if (take_back(b)) return b;
    if (pos_ < len_) return buf_[pos_++];
    if (ended_) return kEnd;
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        int n = poll(&p, 1, timeout_ms);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return kTimeout;
        ssize_t r = ::read(fd_, buf_, sizeof buf_);
        if (r > 0) {
            len_ = static_cast<std::size_t>(r);
            pos_ = 1;
            return buf_[0];
        }
        if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        // End of file, or the terminal hung up.
        ended_ = true;
        return kEnd;
    }
}

}  // namespace con::term
