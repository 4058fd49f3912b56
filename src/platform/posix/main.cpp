// The program's entry: the command line, the terminal, then the system.
// Texts here stay ASCII: they are printed before any conversion is in place.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/console.h"
#include "console/terminal/terminal_frontend.h"
#include "program.h"
#include "store/files.h"

namespace {

const char kWhere[] =
    "Runs in a terminal (xterm, GNOME Terminal,\n"
    "kitty, tmux, screen, over SSH) of any size; 150 x 100 shows the whole screen.\n";

const char kKeys[] =
    "PgUp/PgDn and the mouse wheel scroll a terminal smaller than the screen\n"
    "(Alt+PgUp/PgDn and Shift+wheel sideways), and, in any terminal, on up into\n"
    "the scroll-back: the rows a long listing pushed off the top. Shift+PgUp/PgDn\n"
    "move by half a page where the terminal passes them on (xterm, urxvt and\n"
    "mlterm keep them); any other key comes back. Ctrl+Z suspends; Ctrl+C ends\n"
    "at once. In GNU screen press Esc twice: screen holds a lone\n"
    "Esc while mouse reporting is on. xterm needs a font with Chinese, e.g.\n"
    "xterm -fa \"WenQuanYi Micro Hei Mono\" (fonts-wqy-microhei).\n";

}  // namespace

int main(int argc, char** argv) {
    if (int status = program::TakeArguments(argc, argv, kWhere, kKeys); status >= 0) return status;
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::fputs("quorvel: standard input and output must be a terminal\n", stderr);
        return 1;
    }

    // Before the terminal is taken: its signal handlers leave ignored signals alone.
    store::IgnoreWriteSignals();
    // Static, so that the terminal is given back also when something calls exit().
    static con::term::TerminalFrontend terminal;
    std::string error;
    if (!terminal.open(error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 1;
    }
    con::attach(&terminal);
    return program::Run([] { terminal.close(); });
}
