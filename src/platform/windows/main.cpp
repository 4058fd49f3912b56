// The program's entry on Windows: the command line, the console, then the
// system. Texts here stay ASCII: they are printed before the console is set up.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "console/console.h"
#include "console/windows/windows_frontend.h"
#include "hospital.h"

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "unknown"
#endif

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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::printf("quorvel %s\n", QUORVEL_VERSION);
            return 0;
        }
        std::fprintf(stderr, "quorvel: unknown argument '%s' (try quorvel --help)\n", argv[i]);
        return 2;
    }

    // Static, so that the console is given back also when something calls exit().
    static con::win::WindowsFrontend console;
    std::string error;
    if (!console.open(error)) {
        std::fprintf(stderr, "quorvel: %s\n", error.c_str());
        return 1;
    }
    con::attach(&console);
    int status;
    try {
        status = QuorvelMain();
    } catch (const con::InputClosed&) {
        // The console's input went away: nobody is left to confirm anything.
        status = 1;
    } catch (const std::exception& e) {
        console.close();
        ReleaseSys();
        std::fprintf(stderr, "quorvel: %s\n", e.what());
        return 70;
    }
    console.close();
    ReleaseSys();
    return status;
}
