// The command-line modes, --check and --export: they read a folder's data
// files through the store's reader, change nothing there, print results on
// standard output and errors on standard error, and never touch the terminal.
#pragma once

#include <string>

#include "store/commit.h"

namespace cli {

// The exit statuses of both modes; where several apply, the highest wins.
enum Exit : int {
    kAllWell = 0,
    kProblems = 1,    // check: a problem found; export: records left out, or
                      // the CSV files already there
    kUsage = 2,
    kCannotRead = 3,  // a file that is there could not be read, the lock stayed
                      // held, an unfinished save (export), or the results
                      // could not be written
};

// The options of both modes, for --help.
extern const char kHelp[];

// Whether a first argument names one of the modes.
bool IsMode(const char* arg);

// Runs the mode that argv[1] names with the arguments after it; returns the
// exit status.
int Run(int argc, char** argv);

// The modes themselves, with what they print for standard output and
// standard error. FOLDER is the folder of the data files and must exist.
int Check(const std::string& folder, std::string* out, std::string* err,
          int wait_ms = store::kLockWaitMs);
int Export(const std::string& outdir, const std::string& folder, std::string* err,
           int wait_ms = store::kLockWaitMs);

}  // namespace cli
