// Texts here stay ASCII: they are printed before any conversion is in place,
// or after it is gone.
#include "program.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "console/console.h"
#include "hospital.h"

namespace program {

int TakeArguments(int argc, char** argv, const char* usage) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
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
