// What the program's entries on every platform share: the command line, and
// the system run on a front end that is given back on every way out.
#pragma once

#include <functional>

namespace program {

// -h/--help prints the usage: what the program is, `where` it runs, the keys
// of the menus and forms, and the platform's own `keys`; -V/--version prints
// the version; --check and --export run those modes (src/cli/); any other
// argument is an error. Returns the status to end with at once, or -1 to go on.
int TakeArguments(int argc, char** argv, const char* where, const char* keys);

// Runs the system on the front end already attached; `give_back` returns the
// terminal or console to the user before anything is printed. Returns the
// process status.
int Run(const std::function<void()>& give_back);

}  // namespace program
