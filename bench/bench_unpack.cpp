// bench_unpack zip|7z OUT_DIR ARCHIVE...: unpacks every archive into
// OUT_DIR (ending in "/") one after the other, as the install pumps do.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/archives/archives.h"
#include "core/diag/error_codes.h"

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_unpack zip|7z OUT_DIR ARCHIVE...\n");
        return 2;
    }
    bool zip = std::strcmp(argv[1], "zip") == 0;
    std::string out_dir = argv[2];
    for (int i = 3; i < argc; ++i) {
        int err = zip ? zip_to_file(argv[i], out_dir, nullptr, 0)
                      : p7z_to_file(argv[i], out_dir, nullptr, 0);
        if (err) {
            std::fprintf(stderr, "%s: %s (%d)\n", argv[i], error_str(err).c_str(), err);
            return 1;
        }
    }
    return 0;
}
