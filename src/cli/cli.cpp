// The command line of the modes: their arguments, and what they print.
#include "cli/cli.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/paths.h"
#include "store/files.h"

namespace cli {

// ASCII, like the rest of --help.
const char kHelp[] =
    "  --check [FOLDER]\n"
    "                 check the data files and the backup of FOLDER (default: the\n"
    "                 working folder) without changing them, and print their counts\n"
    "                 and one line for each kind of problem found\n"
    "  --export OUTDIR [FOLDER]\n"
    "                 write departments.csv, patients.csv and records.csv (UTF-8,\n"
    "                 with a byte-order mark) into OUTDIR, as a load would show the\n"
    "                 data files of FOLDER; never over files already there\n"
    "\n"
    "Exit status of --check and --export: 0 all well; 1 a problem found (check),\n"
    "records left out or CSV files already there (export); 2 a usage error; 3 a\n"
    "file could not be read or written, another copy held the lock for 5 s, or\n"
    "(export) a save in FOLDER is unfinished. Where several apply, the highest.\n";

namespace {

int Usage(const std::string& why) {
    std::fprintf(stderr, "quorvel: %s (try quorvel --help)\n", why.c_str());
    return kUsage;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(FsPath(path), ec);
}

}  // namespace

bool IsMode(const char* arg) {
    return std::strcmp(arg, "--check") == 0 || std::strcmp(arg, "--export") == 0;
}

int Run(int argc, char** argv) {
    const std::string mode = argv[1];
    std::vector<std::string> operands;
    bool options_end = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options_end && arg == "--") {
            options_end = true;
        } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option '" + arg + "' after " + mode);
        } else if (arg.empty()) {
            return Usage("an empty folder name");
        } else {
            operands.push_back(arg);
        }
    }
    const bool check = mode == "--check";
    const std::size_t least = check ? 0 : 1;
    if (operands.size() < least || operands.size() > least + 1)
        return Usage(check ? "--check takes at most one FOLDER" : "--export takes OUTDIR [FOLDER]");
    const std::string folder = operands.size() > least ? operands.back() : ".";
    if (!IsFolder(folder)) return Usage(folder + " is not a folder");

    // A write that fails (a full disk, a file-size limit, a closed pipe)
    // is reported, and the files made so far removed.
    store::IgnoreWriteSignals();
    std::string out, err;
    int status;
    try {
        status = check ? Check(folder, &out, &err) : Export(operands[0], folder, &err);
    } catch (const std::exception& e) {
        // Memory that ran out on a very large folder, say: the files were not
        // read, or nothing was exported.
        err += std::string("quorvel: ") + e.what() + '\n';
        out.clear();
        status = kCannotRead;
    }
    std::fputs(err.c_str(), stderr);
    if (std::fputs(out.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
        std::fputs("quorvel: cannot write to standard output\n", stderr);
        status = kCannotRead;
    }
    return status;
}

}  // namespace cli
