// bench_7z_read ARCHIVE...: reads every entry of each 7z archive through the
// 7z reader, a block of 256 KiB at a time as the copy's gate asks, and drops
// it: what reading costs without the files it would make.  Exits 1 when an
// archive fails.  bench/run_7z_reading builds it against two builds alike.
#include <cstdio>
#include <memory>
#include <string>

#include "core/archives/archive_reader.h"

int main(int argc, char** argv)
{
    static char block[256 * 1024];
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::unique_ptr<archive_reader> in;
        int err = open_7z_reader(argv[i], in);
        archive_item item;
        while (err == 0 && (err = in->next(item)) == 0)
            for (size_t got = 1; got > 0 && err == 0;) err = in->read(block, sizeof block, &got);
        if (err != kEndOfArchive) {
            std::fprintf(stderr, "%s: %d\n", argv[i], err);
            status = 1;
        }
    }
    return status;
}
