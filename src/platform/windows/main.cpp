// The program's entry on Windows: the command line, the console, then the
// system. Texts here stay ASCII: they are printed before the console is set up.
#include <cstdio>
#include <string>

#include "console/console.h"
#include "console/windows/windows_frontend.h"
#include "program.h"

namespace {

const char kUsage[] =
    "Usage: quorvel [-h | --help | -V | --version]\n"
    "\n"
    "Keeps a hospital's records (departments, patients, visit records) in data\n"
    "files of the working directory. Runs in a Windows console window (Command\n"
    "Prompt, PowerShell, Windows Terminal); a window of 150 x 100 shows the whole\n"
    "screen, a smaller one follows the open menu or form.\n"
    "\n"
    "Keys: Alt+letter or the letter opens a menu, arrows move, Enter chooses,\n"
    "Esc closes, Alt+X leaves. The mouse works on menus and dialogs; the wheel\n"
    "scrolls the window. Ctrl+C ends at once.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -V, --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    if (int status = program::TakeArguments(argc, argv, kUsage); status >= 0) return status;

    // Static, so that the console is given back also when something calls exit().
    static con::win::WindowsFrontend console;
    std::string error;
    if (!console.open(error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 1;
    }
    con::attach(&console);
    return program::Run([] { console.close(); });
}
