// Fuzzes the terminal front end's two byte paths: whatever a terminal sends,
// the key decoder ends and makes only well-formed records; whatever bytes the
// screen buffer holds, the renderer sends the terminal nothing but its own
// escape sequences and valid UTF-8.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/terminal/keydecoder.h"
#include "support/chunk_source.h"
#include "console/terminal/renderer.h"

namespace {

using con::term::ChunkSource;
using con::term::FrameView;
using con::term::KeyDecoder;
using con::term::Renderer;
using con::term::TermCaps;
using con::term::TermText;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "terminal invariant broken: %s\n", what);
        std::abort();
    }
}

void Decode(const uint8_t* data, size_t size) {
    if (size < 2) return;
    // The first byte picks the character set and how the rest is cut into
    // reads, some arriving within the ESC pause and some after it.
    unsigned seed = data[0];
    KeyDecoder::Charset cs = seed & 1 ? KeyDecoder::Charset::Gbk : KeyDecoder::Charset::Utf8;
    std::vector<ChunkSource::Chunk> chunks;
    size_t pos = 1;
    while (pos < size) {
        seed = seed * 1103515245u + 12345u;
        size_t len = 1 + (seed >> 16) % 16;
        if (len > size - pos) len = size - pos;
        int pause = (seed >> 8) & 1 ? 5 : 500;
        chunks.push_back({pause, std::string(reinterpret_cast<const char*>(data + pos), len)});
        pos += len;
    }
    ChunkSource src(std::move(chunks));
    KeyDecoder dec(cs);
    std::vector<INPUT_RECORD> out;
    size_t calls = 0;
    while (dec.decode(src, out)) Check(++calls <= size + 1, "decoding does not end");
    for (const INPUT_RECORD& r : out) {
        Check(r.EventType == KEY_EVENT || r.EventType == MOUSE_EVENT, "record type");
        if (r.EventType == KEY_EVENT) {
            Check(r.Event.KeyEvent.bKeyDown == TRUE && r.Event.KeyEvent.wRepeatCount == 1,
                  "key record shape");
        } else {
            const MOUSE_EVENT_RECORD& m = r.Event.MouseEvent;
            Check(m.dwMousePosition.X >= 0 && m.dwMousePosition.Y >= 0, "mouse position");
            Check((m.dwButtonState & 0xFFF8) == 0, "mouse buttons");
        }
    }
}

// Pre: out holds one frame. Every control byte belongs to a sequence the
// renderer itself makes; every byte above 0x7F is part of valid UTF-8.
void CheckFrame(const std::string& out) {
    size_t i = 0;
    while (i < out.size()) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c == 0x1B) {
            Check(i + 1 < out.size(), "lone ESC");
            if (out[i + 1] == '[') {
                i += 2;
                while (i < out.size() && ((out[i] >= '0' && out[i] <= '9') || out[i] == ';' || out[i] == '?'))
                    ++i;
                Check(i < out.size() && std::string("HCmJlh").find(out[i]) != std::string::npos,
                      "unexpected control sequence");
                ++i;
            } else {
                Check(out.compare(i, 4, "\x1b]0;") == 0, "unexpected escape");
                i += 4;
                while (i < out.size() && out[i] != '\a') {
                    Check(static_cast<unsigned char>(out[i]) >= 0x20 && out[i] != 0x7F,
                          "control byte in the title");
                    ++i;
                }
                Check(i < out.size(), "unterminated title");
                ++i;
            }
        } else if (c == '\b') {
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            Check(false, "raw control byte sent to the terminal");
        } else if (c >= 0x80) {
            size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            Check(n > 0 && i + n <= out.size(), "invalid UTF-8 lead");
            for (size_t k = 1; k < n; ++k)
                Check((static_cast<unsigned char>(out[i + k]) & 0xC0) == 0x80, "invalid UTF-8");
            i += n;
        } else {
            ++i;
        }
    }
}

void Render(const uint8_t* data, size_t size) {
    if (size < 4) return;
    static auto st = std::make_unique<con::ConsoleState>();
    st->screen.resize(con::kCols, con::kRows);
    // Cells from the data, byte and attribute, repeated over the buffer.
    size_t cells = static_cast<size_t>(con::kCols) * con::kRows;
    for (size_t i = 0; i < cells; ++i)
        st->screen.at(static_cast<int>(i % con::kCols), static_cast<int>(i / con::kCols)) = {
            static_cast<char>(data[i % size]), static_cast<WORD>(data[(i * 31 + 1) % size] ^ 0x5A),
            static_cast<con::Half>(data[(i * 17 + 2) % size] & 3)};
    // Most rows as the console's writers leave them; the others keep roles
    // their bytes need not bear out.
    for (int y = 0; y < con::kRows; ++y)
        if (data[y % size] & 4) st->screen.pair_bytes(y, 0, con::kCols - 1);
    st->title.assign(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    Renderer r(TermCaps{}, TermText{});
    r.resize(1 + data[0] % 160, 1 + data[1] % 110);
    FrameView v;
    v.left = data[2] % 160;
    v.top = data[3] % 110;
    v.cursor_x = data[2] % 7;
    v.cursor_y = data[3] % 5;
    std::string out;
    r.render(*st, v, out);
    CheckFrame(out);
    // A second frame after some cells change: the diff path.
    for (size_t i = 0; i < size; ++i)
        st->screen.at(static_cast<int>((i * 7) % con::kCols), static_cast<int>((i * 13) % con::kRows))
            .ch = static_cast<char>(data[i]);
    v.left = data[1] % 50;
    out.clear();
    r.render(*st, v, out);
    CheckFrame(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Decode(data, size);
    Render(data, size);
    return 0;
}
