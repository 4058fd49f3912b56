// Terminal input to console input records: the bytes a terminal sends for
// keys and mouse reports become the key and mouse records a Windows console
// would deliver for them.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "console/wintypes.h"

namespace con::term {

// Where the decoder takes its bytes from. get() waits at most timeout_ms for
// the next byte (a negative timeout waits for ever); unget() pushes bytes back
// so that the next get() returns the byte pushed last.
class ByteSource {
public:
    static constexpr int kTimeout = -1;  // nothing arrived in time
    static constexpr int kEnd = -2;      // input has ended for good

    virtual ~ByteSource() = default;
    virtual int get(int timeout_ms) = 0;
    void unget(unsigned char b) { back_.push_front(b); }

protected:
    // Bytes pushed back come before anything new.
    bool take_back(int& b) {
        if (back_.empty()) return false;
        b = back_.front();
        back_.pop_front();
        return true;
    }
    bool pushed_back() const { return !back_.empty(); }

private:
    std::deque<unsigned char> back_;
};

class KeyDecoder {
public:
    // The terminal's character set: typed text arrives in UTF-8 (converted to
    // GBK here) or already in GBK.
    enum class Charset { Utf8, Gbk };
    using Converter = std::string (*)(std::string_view);

    // How long a lone ESC waits for the rest of an escape sequence or an Alt
    // key; terminals send a sequence in one piece, a person presses Esc alone.
    static constexpr int kEscTimeoutMs = 40;

    // from_utf8 turns one UTF-8 character into GBK bytes ('?' when GBK has no
    // such character).
    explicit KeyDecoder(Charset charset = Charset::Utf8, Converter from_utf8 = nullptr,
                        int esc_timeout_ms = kEscTimeoutMs);

    // Reads one key press or mouse report and appends its records (none for
    // sequences that mean nothing to the console, several for a character
    // that is more than one GBK byte). Mouse positions are terminal cells,
    // 0-based. Returns false, appending nothing, when input has ended.
    bool decode(ByteSource& in, std::vector<INPUT_RECORD>& out);

    // Buttons held, as the last mouse report left them.
    DWORD buttons() const { return buttons_; }

    // Whether a UTF-8 Latin-1 letter (U+00C1..U+00DA, U+00E1..U+00FA) is read
    // as Alt and the letter it is with the eighth bit cleared, as a terminal
    // that sets the eighth bit for Alt sends it. On by default; off while a
    // line is typed, where such a letter is text.
    void set_meta_letters(bool on) { meta_letters_ = on; }

private:
    void escape(ByteSource& in, std::vector<INPUT_RECORD>& out);
    void csi(ByteSource& in, std::vector<INPUT_RECORD>& out, DWORD extra_mods);
    void ss3(ByteSource& in, std::vector<INPUT_RECORD>& out, DWORD extra_mods);
    void sgr_mouse(ByteSource& in, std::vector<INPUT_RECORD>& out);
    void x10_mouse(ByteSource& in, std::vector<INPUT_RECORD>& out);
    void mouse(int code, int x, int y, bool release, std::vector<INPUT_RECORD>& out);
    void high_byte(unsigned char b, ByteSource& in, std::vector<INPUT_RECORD>& out);
    void meta(unsigned char b, std::vector<INPUT_RECORD>& out);

    Charset charset_;
    Converter from_utf8_;
    int esc_timeout_;
    DWORD buttons_ = 0;
    bool meta_letters_ = true;
};

// The record of one key press of a plain ASCII byte (letters, digits,
// punctuation on a US layout, control characters as Ctrl+key), with extra
// modifier state added.
INPUT_RECORD ascii_key(unsigned char c, DWORD mods = 0);
INPUT_RECORD key_record(WORD vk, char ch, DWORD mods = 0);

}  // namespace con::term
