// What the terminal front end costs: the bytes it writes for the menu actions
// a user makes most, and the time for a long listing to reach the screen.
// The renderer writes into memory, so no terminal is needed; the frames are
// those a 150 x 100 terminal would get.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "console/output.h"
#include "support/scripted.h"
#include "console/terminal/history.h"
#include "console/terminal/renderer.h"
#include "shell.h"

namespace {

using con::ConsoleState;
using con::Wait;
using con::term::FrameView;
using con::term::Renderer;
using con::term::TermCaps;
using con::term::TermText;

// A scripted console whose every frame is also rendered, as the terminal
// front end renders it when the program waits, and which keeps the rows that
// scroll off in a scroll-back as the terminal front end does.
class RenderingFrontend : public con::ScriptedFrontend {
public:
    struct Frame {
        std::size_t pending;  // records still to read when it was presented
        std::size_t bytes;
    };

    RenderingFrontend() : renderer_(TermCaps{}, TermText{}) { renderer_.resize(con::kCols, con::kRows); }

    void present(const ConsoleState& st, Wait why) override {
        ScriptedFrontend::present(st, why);
        FrameView v;
        if (why == Wait::Line || st.cursor_info.bVisible) {
            v.cursor_x = st.cursor.X;
            v.cursor_y = st.cursor.Y;
        }
        std::string out;
        renderer_.render(st, v, out);
        frames.push_back({pending(), out.size()});
    }
    void row_scrolled_off(const con::Cell* cells, int count) override { history.push(cells, count); }

    // The bytes that move the view `rows` rows up into the scroll-back from
    // the last frame, and those of the same view painted whole.
    std::pair<std::size_t, std::size_t> HistoryPage(const ConsoleState& st, int rows) {
        FrameView v;
        v.top = -rows;
        v.history = &history;
        v.marker = "── 历史 -50 行，任意键返回 ──";
        std::string page, whole;
        renderer_.render(st, v, page);
        renderer_.invalidate();
        renderer_.render(st, v, whole);
        return {page.size(), whole.size()};
    }

    std::vector<Frame> frames;
    con::term::History history;

private:
    Renderer renderer_;
};

// The start screen, then one user action after another; each action's bytes
// are those of the frames presented from its first record to the next
// action's first.
void BM_MenuFrameBytes(benchmark::State& state) {
    for (auto _ : state) {
        RenderingFrontend fe;
        con::attach(&fe);
        // How many records are queued once each action is: action i's records
        // are those after queued[i - 1] up to queued[i].
        std::vector<std::size_t> queued{0};
        fe.right();   // the highlight moves to the second item
        queued.push_back(fe.pending());
        fe.alt('A');  // its sub-menu opens
        queued.push_back(fe.pending());
        fe.down();    // the sub-menu's highlight moves
        queued.push_back(fe.pending());
        fe.esc();     // the sub-menu closes
        queued.push_back(fe.pending());
        const std::size_t total = fe.pending();
        try {
            QuorvelMain();
        } catch (const con::InputClosed&) {
        }
        // A frame belongs to the action whose record was read last before it;
        // phase 0 is the start screen, presented before any record was read.
        std::vector<double> bytes(queued.size(), 0.0);
        for (const auto& f : fe.frames) {
            std::size_t read = total - f.pending;
            std::size_t phase = 0;
            while (phase + 1 < queued.size() && read > queued[phase]) ++phase;
            bytes[phase] += static_cast<double>(f.bytes);
        }
        state.counters["first_frame"] = bytes[0];
        state.counters["arrow_highlight"] = bytes[1];
        state.counters["open_submenu"] = bytes[2];
        state.counters["submenu_arrow"] = bytes[3];
        state.counters["close_submenu"] = bytes[4];
        con::attach(nullptr);
    }
}
BENCHMARK(BM_MenuFrameBytes)->Iterations(1)->Unit(benchmark::kMillisecond);

// A listing of 1,000,000 patient rows through the console layer, then the one
// frame the terminal gets when the program next waits; then Shift+PgUp's half
// page up into the scroll-back, against the same view painted whole.
void BM_MillionRowsThenOneFrame(benchmark::State& state) {
    for (auto _ : state) {
        RenderingFrontend fe;
        con::attach(&fe);
        SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1E);
        for (int i = 0; i < 1000000; ++i)
            con_printf("  %-14d%-13d%-15s%-14s%-14d%-15s\n", i / 50 + 1, i + 1, "张三丰",
                       "13800138000", i & 1, "武汉市洪山区");
        fe.present(con::state(), Wait::Event);
        state.counters["frames"] = static_cast<double>(fe.frames.size());
        state.counters["frame_bytes"] = static_cast<double>(fe.frames.back().bytes);
        state.counters["history_rows"] = fe.history.size();
        state.counters["history_bytes"] = static_cast<double>(fe.history.bytes());
        auto [page, whole] = fe.HistoryPage(con::state(), con::kRows / 2);
        state.counters["history_page_bytes"] = static_cast<double>(page);
        state.counters["history_whole_bytes"] = static_cast<double>(whole);
        con::attach(nullptr);
    }
}
BENCHMARK(BM_MillionRowsThenOneFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

// Rendering alone: a screen full of double-byte text, from scratch.
void BM_RenderFullScreen(benchmark::State& state) {
    auto st = std::make_unique<ConsoleState>();
    const char* text = "医院科室病人就诊记录";
    for (int y = 0; y < con::kRows; ++y) {
        for (int x = 0; x < con::kCols; ++x)
            st->screen.at(x, y) = {text[x % 20], static_cast<WORD>(y % 2 ? 0x1E : 0x70)};
        st->screen.pair_bytes(y, 0, con::kCols - 1);
    }
    Renderer r(TermCaps{}, TermText{});
    r.resize(con::kCols, con::kRows);
    std::string out;
    for (auto _ : state) {
        r.invalidate();
        out.clear();
        r.render(*st, FrameView{}, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_RenderFullScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
