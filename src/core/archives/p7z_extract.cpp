// Unpacking 7z archives (LZMA, LZMA2, BCJ and BCJ2) with libarchive, which
// reads the archive through our callbacks over an open FILE*.
//
// Result codes.  libarchive's own results are not numbers a user can read,
// and the decoder codes of other 7z readers (1 to 17) would print as errno
// texts, so every failure maps onto the error table:
//   the archive cannot be opened for reading           errno of fopen
//   not a 7z archive, or its header cannot be read     20001 (as a zip that cannot be opened)
//   later data that cannot be decoded: truncated,
//     corrupt, CRC mismatch, unsupported coder         20002 (read from a damaged archive)
//   the decoder runs out of memory                     12 (ENOMEM)
//   a destination cannot be created                    errno
//   a destination cannot be written (a full disk)      20004, the system's reason logged
//   an entry that would land outside out_dir           20001, logged
//
// Each file is decoded whole into one buffer, kept for the whole archive,
// before its destination is touched: a damaged archive never replaces a
// good file with a broken one.

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "core/archives/archive_destination.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"

namespace {

constexpr size_t kReadBlock = 1 << 20;

// The input stream handed to the reader: the open archive and the buffer
// that the read callback fills.
struct p7z_stream {
    FILE* file;
    std::unique_ptr<char[]> block{new char[kReadBlock]};
};

la_ssize_t SzFileReadImp(archive* reader, void* stream, const void** buffer)
{
    auto* in = static_cast<p7z_stream*>(stream);
    *buffer = in->block.get();
    size_t got = std::fread(in->block.get(), 1, kReadBlock, in->file);
    if (got == 0 && std::ferror(in->file)) {
        archive_set_error(reader, errno, "read error");
        return ARCHIVE_FATAL;
    }
    return static_cast<la_ssize_t>(got);
}

// 64-bit offsets throughout: scenery archives pass 2 GB.  The reader skips
// through this too.
la_int64_t SzFileSeekImp(archive*, void* stream, la_int64_t offset, int whence)
{
    auto* in = static_cast<p7z_stream*>(stream);
    if (::fseeko(in->file, static_cast<off_t>(offset), whence) != 0) return ARCHIVE_FATAL;
    return ::ftello(in->file);
}

int decoder_error(archive* reader, int code_otherwise)
{
    return archive_errno(reader) == ENOMEM ? ENOMEM : code_otherwise;
}

// Names come out of the archive as UTF-16 and are converted for the current
// locale; in the "C" locale every non-ASCII name would be lost.  The locale
// is changed for this thread only, as unpack workers run side by side, and
// made once for the process: glibc shares its data between threads under
// locks that ThreadSanitizer cannot see.
class utf8_names {
public:
    utf8_names()
    {
        static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        if (utf8) previous_ = ::uselocale(utf8);
    }
    ~utf8_names()
    {
        if (previous_) ::uselocale(previous_);
    }

private:
    locale_t previous_ = nullptr;
};

// One file's bytes into `out`, which keeps its capacity between files.
int decode_entry(archive* reader, std::vector<char>& out)
{
    out.clear();
    for (;;) {
        const void* block;
        size_t size;
        la_int64_t offset;
        int r = archive_read_data_block(reader, &block, &size, &offset);
        if (r == ARCHIVE_EOF) return 0;
        if (r < ARCHIVE_WARN) {
            FILE_ERR_HERE();
            return decoder_error(reader, kErrZipShortRead);
        }
        // 7z files have no holes: data anywhere but straight after the last
        // block is damage, and must not size our buffer.
        if (offset != static_cast<la_int64_t>(out.size())) {
            FILE_ERR_HERE();
            return kErrZipShortRead;
        }
        const char* bytes = static_cast<const char*>(block);
        try {
            out.insert(out.end(), bytes, bytes + size);
        } catch (const std::bad_alloc&) {
            // A file that unpacks to more than the memory holds.
            FILE_ERR_HERE();
            return ENOMEM;
        }
    }
}

int extract_all(archive* reader, const std::string& full_out_dir, std::string* name, int rename)
{
    std::string rename_to = rename && name ? *name : std::string();
    extract_dest dest(full_out_dir, false);
    std::vector<char> data;
    bool first_file = true;
    for (bool first_header = true;; first_header = false) {
        archive_entry* entry;
        int r = archive_read_next_header(reader, &entry);
        if (r == ARCHIVE_EOF) return 0;
        if (r < ARCHIVE_WARN) {
            const char* why = archive_error_string(reader);
            xer << "7z header unreadable: " << (why ? why : "truncated archive") << "\n";
            FILE_ERR_HERE();
            return decoder_error(reader, first_header ? kErrZipOpen : kErrZipShortRead);
        }
        // Only files are written: folders must exist, and links or devices
        // have no place in the simulator's archives.
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        const char* stored = archive_entry_pathname_utf8(entry);
        if (!stored) stored = archive_entry_pathname(entry);
        if (!stored) {
            xer << "7z entry without a readable name.\n";
            FILE_ERR_HERE();
            return kErrZipShortRead;
        }

        int err = decode_entry(reader, data);
        if (err) return err;
        std::string target = first_file && rename && name ? rename_to : std::string(stored);
        first_file = false;
        err = dest.write_file(target, data.data(), data.size(), extract_attrs(), kErrZipWrite);
        if (name && err != kErrUnsafeEntry) *name = dest.path();
        if (err) return err;
    }
}

}  // namespace

int p7z_to_file(const std::string& archive_path, const std::string& out_dir, std::string* name,
                int rename)
{
    std::string full_archive = archive_path;
    set_path_to_full(full_archive);
    std::string full_out_dir = out_dir;
    set_path_to_full(full_out_dir);

    p7z_stream stream;
    stream.file = std::fopen(full_archive.c_str(), "rb");
    if (!stream.file) {
        FILE_ERR_HERE();
        return errno;
    }
    utf8_names names;
    archive* reader = archive_read_new();
    int err = 0;
    if (!reader) {
        FILE_ERR_HERE();
        err = ENOMEM;
    } else {
        archive_read_support_format_7zip(reader);
        archive_read_set_callback_data(reader, &stream);
        archive_read_set_read_callback(reader, SzFileReadImp);
        archive_read_set_seek_callback(reader, SzFileSeekImp);
        if (archive_read_open1(reader) != ARCHIVE_OK) {
            FILE_ERR_HERE();
            err = decoder_error(reader, kErrZipOpen);
        } else {
            err = extract_all(reader, full_out_dir, name, rename);
        }
        archive_read_free(reader);
    }
    std::fclose(stream.file);
    if (err)
        xer << "7z to file failed with error err = " << err << ". file = " << sErrFile
            << " line = " << sErrLine << ". archive=" << full_archive << ", out_dir=" << out_dir
            << ".\n";
    return err;
}
