// Takes the data folder's lock of the working folder the way the program
// does, for the tests of the lock between the Linux and Windows builds:
//   lock_holder shared|exclusive HOLD_MS [WAIT_MS]
// prints "held", "busy" or "unavailable" and, when held, keeps it HOLD_MS.
// Exit status 0 held, 1 busy, 2 unavailable, 3 usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "store/commit.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (std::strcmp(argv[1], "shared") != 0 &&
                                 std::strcmp(argv[1], "exclusive") != 0)) {
        std::fprintf(stderr, "usage: lock_holder shared|exclusive HOLD_MS [WAIT_MS]\n");
        return 3;
    }
    const store::Lock kind =
        argv[1][0] == 's' ? store::Lock::kShared : store::Lock::kExclusive;
    const int wait_ms = argc == 4 ? std::atoi(argv[3]) : 0;
    store::FolderLock lock;
    switch (lock.Take(kind, true, wait_ms)) {
        case store::Locked::kYes:
            std::puts("held");
            std::fflush(stdout);
            store::PauseMs(std::atoi(argv[2]));
            return 0;
        case store::Locked::kBusy: std::puts("busy"); return 1;
        case store::Locked::kUnavailable: std::puts("unavailable"); return 2;
    }
    return 3;
}
