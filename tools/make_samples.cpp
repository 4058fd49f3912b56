// Writes the sample collection's data files (depart.dat, patient.dat,
// record.dat) into a directory, samples/ by default, through the program's
// own save.
//
// Usage: make_samples [directory]
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/scripted.h"
#include "commands/commands.h"
#include "layers.h"
#include "store/collection.h"
#include "store/folder.h"
#include "samples.h"

int main(int argc, char** argv) {
    const char* dir = argc > 1 ? argv[1] : "samples";
    // The files hold GBK text, which only a build with GBK literals produces.
    if (std::strcmp("中", "\xd6\xd0") != 0) {
        std::fputs("make_samples: built without GBK string literals (build it with GCC)\n", stderr);
        return 1;
    }
    if (chdir(dir) != 0) {
        std::fprintf(stderr, "make_samples: cannot enter %s: %s\n", dir, std::strerror(errno));
        return 1;
    }
    // A failed save shows its message and waits for a key; no key comes.
    con::ScriptedFrontend fe;
    con::attach(&fe);
    gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    hp = samples::Build();
    bool saved = true;
    try {
        SaveSysData();
    } catch (const con::InputClosed&) {
        saved = false;
    }
    FreeCollection(hp);
    hp = nullptr;
    if (!saved) {
        std::fprintf(stderr, "make_samples: the data files could not be written in %s\n", dir);
        return 1;
    }
    // Unlike a user's data, the samples are for everyone to read.
    for (const char* f : {gp_member_info_filename, gp_asset_info_filename, gp_lend_info_filename})
        chmod(f, 0644);
    std::printf("make_samples: %zu departments, %zu patients, %zu visit records written to %s\n",
                samples::Departments().size(), samples::Patients().size(),
                samples::Records().size(), dir);
    return 0;
}
