// The program's entry on Windows: the command line, the console, then the
// system. Texts here stay ASCII: they are printed before the console is set up.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/paths.h"
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

// The arguments come as UTF-16 (wmain, linked with -municode) and go on as
// UTF-8, the store's encoding of paths on Windows, so that a folder named in
// any script reaches the files it names whatever the system's code page.
int wmain(int argc, wchar_t** wargv) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    static char help[] = "--help";
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(cli::Utf8FromUtf16(reinterpret_cast<const char16_t*>(wargv[i])));
    // "/?" is how a Windows program is asked for its help.
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a == "/?" ? help : a.data());
    argv.push_back(nullptr);
    if (int status = program::TakeArguments(argc, argv.data(), kWhere, kKeys); status >= 0)
        return status;

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
