// The program's entry on Windows: the command line, the console, then the
// system. Texts here stay ASCII: they are printed before the console is set up.
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "console/windows/windows_frontend.h"
#include "program.h"

namespace {

const char kWhere[] =
    "Runs in a Windows console window (Command\n"
    "Prompt, PowerShell, Windows Terminal); a window of 150 x 100 shows the whole\n"
    "screen, a smaller one follows the open menu or form. quorvel /? shows this\n"
    "text too.\n";

const char kKeys[] =
    "The mouse wheel scrolls a window smaller than the screen. Ctrl+C ends at\n"
    "once.\n";

}  // namespace

int main(int argc, char** argv) {
    // "/?" is how a Windows program is asked for its help.
    static char help[] = "--help";
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "/?") == 0) argv[i] = help;
    if (int status = program::TakeArguments(argc, argv, kWhere, kKeys); status >= 0) return status;

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
