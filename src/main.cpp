// The program's entry: the command line, the terminal, then the system.
// Texts here stay ASCII: they are printed before any conversion is in place.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/console.h"
#include "console/terminal/terminal_frontend.h"
#include "program.h"
#include "store_files.h"

namespace {

const char kUsage[] =
    "Usage: quorvel [-h | --help | -V | --version]\n"
    "\n"
    "Keeps a hospital's records (departments, patients, visit records) in data\n"
    "files of the working directory. Runs in a terminal (xterm, GNOME Terminal,\n"
    "kitty, tmux, screen, over SSH) of any size; 150 x 100 shows the whole screen.\n"
    "\n"
    "Menus: Alt+F, A, M, I, D, Q or H opens a menu (S opens the help menu too);\n"
    "with no menu open the letter alone does the same. Left and Right move along\n"
    "the menu bar, Down opens the selected menu, Up and Down move in an open one.\n"
    "In an open menu an item's bracketed letter runs it, and Enter runs the\n"
    "highlighted item: a menu opened by its letter or a click has none until an\n"
    "arrow or the pointer moves to one, and Enter then just closes it. Esc closes\n"
    "the menu. F1 shows the help topic. Alt+X asks whether to leave: Enter\n"
    "confirms (Esc stays), and then any answer to a second dialog leaves.\n"
    "Forms: type each answer and press Enter. Esc erases the line being typed;\n"
    "it does not leave the form: answer the remaining questions (and N where\n"
    "asked whether to go on). Only N or n answers no.\n"
    "The mouse opens menus and chooses items and dialog answers.\n"
    "PgUp/PgDn and the mouse wheel scroll a terminal smaller than the screen\n"
    "(Alt+PgUp/PgDn and Shift+wheel sideways), and on up into the scroll-back:\n"
    "the rows a long listing pushed off the top. Shift+PgUp/PgDn move through it\n"
    "by half a page in any terminal; any other key comes back. Ctrl+Z suspends;\n"
    "Ctrl+C ends at once, without saving.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -V, --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    if (int status = program::TakeArguments(argc, argv, kUsage); status >= 0) return status;
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
