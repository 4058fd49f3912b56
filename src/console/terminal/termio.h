// The controlling terminal: its modes and capabilities (terminfo), its size,
// reading and writing it, and the signals that concern it. There is one per
// process, because signal handlers must give the terminal back: on every
// catchable signal that would end the process (SIGINT, SIGTERM, SIGHUP, the
// crash signals, SIGUSR1, SIGALRM, the real-time signals, ...) they restore it
// and let the signal take its course; SIGTSTP restores, stops, and on
// resumption takes the terminal over again and asks for a full repaint;
// SIGWINCH asks for one too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "console/terminal/keydecoder.h"
#include "console/terminal/renderer.h"

namespace con::term {

class Termio {
public:
    Termio() = default;
    Termio(const Termio&) = delete;
    Termio& operator=(const Termio&) = delete;
    ~Termio() { close(); }

    // Takes over the terminal on in_fd and out_fd: terminfo, input without
    // echo or line editing (Ctrl+C, Ctrl+Z and Ctrl+\ still signal), the
    // alternate screen, mouse reporting, Alt as an ESC prefix, the signal
    // handlers. On failure returns false and says why in error.
    bool open(int in_fd, int out_fd, std::string& error);

    // Gives the terminal back as it found it. Safe to call again.
    void close();
    bool is_open() const { return open_; }

    // What terminfo says of the terminal, for the renderer.
    const TermCaps& caps() const { return caps_; }
    // The terminal's character set, from the locale (UTF-8 unless it names GBK).
    static KeyDecoder::Charset locale_charset();

    // The terminal's size in cells.
    void size(int& cols, int& rows) const;

    // Writes all the bytes; false once the terminal is gone.
    bool write(std::string_view bytes);

    // Blocks until input is there or a signal wants the screen repainted.
    enum class Wake { Input, Signal };
    Wake wait();

    // What happened since the last call: bit Resized and/or Resumed.
    static constexpr unsigned kResized = 1;
    static constexpr unsigned kResumed = 2;
    unsigned take_signals();

    int in_fd() const { return in_fd_; }

private:
    bool open_ = false;
    int in_fd_ = -1;
    int out_fd_ = -1;
    TermCaps caps_;
};

// The terminal's input as a byte source: get() waits with poll.
class TtySource : public ByteSource {
public:
    explicit TtySource(int fd = -1) : fd_(fd) {}
    void set_fd(int fd) { fd_ = fd; }
    int get(int timeout_ms) override;
    // Bytes read but not yet decoded.
    bool buffered() const { return pos_ < len_ || pushed_back(); }

private:
    int fd_;
    unsigned char buf_[4096];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool ended_ = false;
};

}  // namespace con::term
