// bench_7z_read [--library] ARCHIVE...: reads every entry of each 7z archive
// through the 7z reader, a block of 256 KiB at a time as the copy's gate
// asks, and drops it: what reading costs without the files it would make.
// With --library, through libarchive alone, fed the whole file at once
// from a mapping,
// each entry's name converted as the reader converts it: what the reader's
// own bookkeeping costs beside it.  Exits 1 when an archive fails.
// bench/run_7z_reading builds it against two builds alike.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/archives/archive_reader.h"

namespace {

int read_with_the_reader(const char* path)
{
    static char block[256 * 1024];
    std::unique_ptr<archive_reader> in;
    int err = open_7z_reader(path, in);
    archive_item item;
    while (err == 0 && (err = in->next(item)) == 0)
        for (size_t got = 1; got > 0 && err == 0;) err = in->read(block, sizeof block, &got);
    return err == kEndOfArchive ? 0 : err;
}

int read_with_the_library(const char* path)
{
    const int fd = ::open(path, O_RDONLY);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
    const size_t size = static_cast<size_t>(st.st_size);
    void* whole = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (whole == MAP_FAILED) return -1;
    archive* a = archive_read_new();
    archive_read_support_format_7zip(a);
    int r = archive_read_open_memory(a, whole, size);
    archive_entry* entry;
    while (r == ARCHIVE_OK && (r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        if (!archive_entry_pathname_utf8(entry)) r = ARCHIVE_FATAL;
        const void* data;
        size_t size;
        la_int64_t offset;
        while (r == ARCHIVE_OK && (r = archive_read_data_block(a, &data, &size, &offset)) == ARCHIVE_OK) {
        }
        if (r == ARCHIVE_EOF) r = ARCHIVE_OK;
    }
    archive_read_free(a);
    ::munmap(whole, size);
    return r == ARCHIVE_EOF ? 0 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool library = argc > 1 && std::strcmp(argv[1], "--library") == 0;
    if (library) uselocale(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr));
    int status = 0;
    for (int i = library ? 2 : 1; i < argc; ++i) {
        if (int err = library ? read_with_the_library(argv[i]) : read_with_the_reader(argv[i])) {
            std::fprintf(stderr, "%s: %d\n", argv[i], err);
            status = 1;
        }
    }
    return status;
}
