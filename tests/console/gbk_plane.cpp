// gbk_plane FILE: the program's GBK conversion over the whole plane
// (gbk_plane.h), as this build has it.
#include "console/gbk.h"
#include "console/gbk_plane.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gbk_plane FILE\n");
        return 2;
    }
    return gbk_plane::WritePlane({gbk::from_utf16, gbk::from_utf8, gbk::to_utf16, gbk::to_utf8},
                                 argv[1]);
}
