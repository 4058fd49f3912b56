// Texts here stay ASCII: they are printed before any conversion is in place,
// or after it is gone.
#include "program.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/cli.h"
#include "console/console.h"
#include "shell.h"

namespace program {

namespace {

const char kWhat[] =
    "Usage: quorvel [-h | --help | -V | --version]\n"
    "       quorvel --check [FOLDER]\n"
    "       quorvel --export OUTDIR [FOLDER]\n"
    "\n"
    "Keeps a hospital's records (departments, patients, visit records) in data\n"
    "files of the working directory. ";

const char kMenusAndForms[] =
    "Menus: Alt+F, A, M, I, D, Q or H opens a menu (S opens the help menu too);\n"
    "with no menu open the letter alone does the same. Left and Right move along\n"
    "the menu bar, Down opens the selected menu, Up and Down move in an open one.\n"
    "In an open menu an item's bracketed letter runs it, and Enter runs the\n"
    "highlighted item: a menu opened by its letter or a click has none until an\n"
    "arrow or the pointer moves to one, and Enter then just closes it. Esc closes\n"
    "the menu. F1 shows the help topic. Alt+X asks whether to leave: Enter\n"
    "confirms (Esc stays), and then any answer to a second dialog leaves.\n"
    "Forms: type each answer and press Enter. A text answer takes no more than\n"
    "its field holds: the bell refuses the rest. Esc erases the line being\n"
    "typed; Esc on an empty answer leaves the command: the entry being typed is\n"
    "not added, a modified one is put back, entries finished before it stay.\n"
    "Only N or n answers no.\n"
    "The mouse opens menus and chooses items and dialog answers.\n"
    "The data files change only when you save (File, S). Work not saved yet is\n"
    "kept, entry by entry, in Quorvel.recover beside them, however the program\n"
    "ends, and the next start offers it back; a load asks before it throws it\n"
    "away.\n";

const char kOptions[] =
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -V, --version  show the version and exit\n";

}  // namespace

int TakeArguments(int argc, char** argv, const char* where, const char* keys) {
    // The command-line modes: they print, and never take the terminal.
    if (argc > 1 && cli::IsMode(argv[1])) return cli::Run(argc, argv);

    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s%s\n%s%s%s%s", kWhat, where, kMenusAndForms, keys, kOptions, cli::kHelp);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::printf("quorvel %s\n", QUORVEL_VERSION);
            return 0;
        }
        std::fprintf(stderr, "quorvel: unknown argument '%s' (try quorvel --help)\n", argv[i]);
        return 2;
    }
    return -1;
}

int Run(const std::function<void()>& give_back) {
    int status;
    try {
        status = QuorvelMain();
    } catch (const con::InputClosed&) {
        // The terminal went away: nobody is left to confirm anything.
        status = 1;
    } catch (const std::exception& e) {
        give_back();
        ReleaseSys();
        std::fprintf(stderr, "quorvel: %s\n", e.what());
        return 70;
    }
    give_back();
    ReleaseSys();
    return status;
}

}  // namespace program
