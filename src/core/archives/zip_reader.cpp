// Zip entries through minizip, read in pieces.  minizip holds one
// compressed block and zlib's window per archive, whatever the entry's size.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <climits>
#include <ctime>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"

namespace {

// Names are read into a buffer of this size with its ending zero.
constexpr size_t kNameBuffer = 256;
// Deflate cannot expand a byte to more than 1032; a size beyond that (or
// beyond what the archive holds at all) is a lie.
constexpr unsigned long long kMaxDeflateRatio = 1032;
// All ones in a 32-bit size or offset of a zip header: the value is in the
// entry's zip64 field.
constexpr uint64_t kInZip64 = 0xFFFFFFFF;

// The little-endian number of `bytes` bytes at `p`.
uint64_t little_endian(const unsigned char* p, int bytes)
{
    uint64_t value = 0;
    while (bytes-- > 0) value = value << 8 | p[bytes];
    return value;
}

// -- The archive's bytes, as minizip reads them ---

// minizip's stdio layer seeks and reads again for every look at the central
// directory: some thirty system calls for a one-file archive.  Archives up
// to this size are read whole, in one call, and served from memory; larger
// ones through a window of them read at once with pread, which needs no
// seek: minizip reads an entry's central header, its name and its extra
// field apart, a few bytes each, and a system call for each took 49 s over
// a million entries.  Reads as large as the window go straight to pread.
constexpr off_t kReadWhole = 256 * 1024;
constexpr size_t kWindow = 64 * 1024;

struct zip_bytes {
    int fd = -1;
    off_t size = 0;
    off_t pos = 0;
    std::vector<char> whole;  // the archive, when it is small
    std::vector<char> window;  // else the bytes last read from `window_at`, made before minizip reads
    off_t window_at = 0;
    size_t window_filled = 0;
    // 32-bit values laid over the archive's own bytes wherever they are read:
    // the current entry's true sizes and header offset (zip_reader::
    // take_zip64_fields).
    struct overlay {
        off_t at;
        uint32_t value;
    };
    overlay overlays[3];
    int overlay_count = 0;

    ~zip_bytes()
    {
        if (fd >= 0) ::close(fd);
    }

    // Up to `want` bytes at `at`, the overlays laid on them; how many.
    size_t read_at(off_t at, void* buffer, size_t want)
    {
        // An entry without extra fields asks for none, into no buffer.
        if (want == 0 || at < 0 || at >= size) return 0;
        want = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(want), size - at));
        char* out = static_cast<char*>(buffer);
        if (!whole.empty()) {
            std::memcpy(out, whole.data() + at, want);
        } else if (want >= kWindow) {
            ssize_t got = ::pread(fd, out, want, at);
            if (got < 0) return 0;
            want = static_cast<size_t>(got);
        } else {
            if (at < window_at || at + static_cast<off_t>(want) > window_at + static_cast<off_t>(window_filled)) {
                ssize_t got = ::pread(fd, window.data(), kWindow, at);
                window_at = at;
                window_filled = got < 0 ? 0 : static_cast<size_t>(got);
            }
            // Short where the file ended early: it shrank since it was opened.
            want = std::min(want, window_filled - static_cast<size_t>(at - window_at));
            std::memcpy(out, window.data() + (at - window_at), want);
        }
        for (int i = 0; i < overlay_count; ++i)
            for (off_t b = 0; b < 4; ++b)
                if (overlays[i].at + b >= at && overlays[i].at + b < at + static_cast<off_t>(want))
                    out[overlays[i].at + b - at] = static_cast<char>(overlays[i].value >> (8 * b));
        return want;
    }
};

// The open callback gets the zip_bytes in place of a file name.
voidpf ZCALLBACK bytes_open(voidpf, const void* source, int mode)
{
    return (mode & ZLIB_FILEFUNC_MODE_READ) ? const_cast<void*>(source) : nullptr;
}

uLong ZCALLBACK bytes_read(voidpf, voidpf stream, void* buffer, uLong size)
{
    zip_bytes& in = *static_cast<zip_bytes*>(stream);
    const size_t got = in.read_at(in.pos, buffer, size);
    in.pos += static_cast<off_t>(got);
    return static_cast<uLong>(got);
}

uLong ZCALLBACK bytes_write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK bytes_tell(voidpf, voidpf stream) { return static_cast<ZPOS64_T>(static_cast<zip_bytes*>(stream)->pos); }

long ZCALLBACK bytes_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    zip_bytes& in = *static_cast<zip_bytes*>(stream);
    off_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? in.pos : in.size;
    if (offset > static_cast<ZPOS64_T>(INT64_MAX - base)) return -1;
    off_t to = base + static_cast<off_t>(offset);
    if (to < 0 || to > in.size) return -1;
    in.pos = to;
    return 0;
}

// The zip_reader owns the bytes; minizip's close leaves them.
int ZCALLBACK bytes_close(voidpf, voidpf) { return 0; }
int ZCALLBACK bytes_error(voidpf, voidpf) { return 0; }

// The archive open at `fd` (which the bytes then own) for minizip, or null
// with errno set.
std::unique_ptr<zip_bytes> bytes_of(int fd)
{
    auto in = std::make_unique<zip_bytes>();
    in->fd = fd;
    struct stat st;
    if (in->fd < 0 || ::fstat(in->fd, &st) != 0) return nullptr;
    in->size = st.st_size;
    if (S_ISREG(st.st_mode) && in->size > 0 && in->size <= kReadWhole) {
        in->whole.resize(static_cast<size_t>(in->size));
        off_t got = 0;
        while (got < in->size) {
            ssize_t n = ::pread(in->fd, in->whole.data() + got, static_cast<size_t>(in->size - got), got);
            if (n <= 0) break;
            got += n;
        }
        // A file that shrank meanwhile is what it is now.
        in->size = got;
        in->whole.resize(static_cast<size_t>(got));
    }
    if (in->whole.empty()) in->window.resize(kWindow);
    return in;
}

// The archive at `path` opened for minizip, or null with errno set.
std::unique_ptr<zip_bytes> open_bytes(const std::string& path)
{
    // Non-blocking: a pipe put at the name must not hang the caller.
    return bytes_of(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

// The Unix mode, when the archive was made on Unix; 0 from DOS and Windows.
unsigned mode_of(const unz_file_info64& info)
{
    return static_cast<unsigned>(info.external_fa >> 16);
}

// Entry dates are local time, with daylight saving as the C library decides.
time_t local_time_of(std::tm& when)
{
    // With TZ unset glibc's mktime rewrites its time-zone state on every
    // call, under a lock of its own that ThreadSanitizer cannot see; this
    // one it sees, and next to writing a file it costs nothing.
    static std::mutex zone_lock;
    std::lock_guard<std::mutex> hold(zone_lock);
    return std::mktime(&when);
}

// The last date converted and what it came to: an archive's entries mostly
// share a few, and each conversion looks at the system's time-zone file
// again, a system call for each of a million entries passed over.
struct converted_date {
    tm_unz date{};
    time_t when = 0;
    bool set = false;
};

extract_attrs attrs_of(const unz_file_info64& info, converted_date& last)
{
    extract_attrs attrs;
    // Zips made on DOS or Windows keep no Unix mode: chmod would make their
    // files unreadable (mode 000).
    attrs.set_mode = mode_of(info) != 0;
    attrs.mode = mode_of(info) & 0777;
    if (info.external_fa == 0) return attrs;
    if (!last.set || std::memcmp(&last.date, &info.tmu_date, sizeof last.date) != 0) {
        std::tm when{};
        when.tm_sec = static_cast<int>(info.tmu_date.tm_sec);
        when.tm_min = static_cast<int>(info.tmu_date.tm_min);
        when.tm_hour = static_cast<int>(info.tmu_date.tm_hour);
        when.tm_mday = static_cast<int>(info.tmu_date.tm_mday);
        when.tm_mon = static_cast<int>(info.tmu_date.tm_mon);
        when.tm_year = static_cast<int>(info.tmu_date.tm_year) - 1900;
        when.tm_isdst = -1;
        last = {info.tmu_date, local_time_of(when), true};
    }
    attrs.set_time = true;
    attrs.mtime = last.when;
    return attrs;
}

class zip_reader : public archive_reader {
public:
    zip_reader(unzFile zip, std::unique_ptr<zip_bytes> bytes)
        : zip_(zip), bytes_(std::move(bytes)), archive_size_(static_cast<unsigned long long>(bytes_->size))
    {
        unz_global_info64 global{};
        unzGetGlobalInfo64(zip_, &global);
        count_ = global.number_entry;
    }
    ~zip_reader() override
    {
        if (opened_) unzCloseCurrentFile(zip_);
        unzClose(zip_);
    }

private:
    int next_entry(archive_item& item) override
    {
        if (opened_) unzCloseCurrentFile(zip_);
        opened_ = finished_ = false;
        bytes_->overlay_count = 0;
        // minizip's own test for the last entry, which its unzSetOffset64
        // disarms: that sets its entry counter to the count.  A count of
        // 0xffff may have overflowed its 16 bits, and minizip reads on.
        const bool last = started_ && count_ != 0xffff && index_ + 1 == count_;
        int step = last ? UNZ_END_OF_LIST_OF_FILE : started_ ? unzGoToNextFile(zip_) : unzGoToFirstFile(zip_);
        index_ = started_ ? index_ + 1 : 0;
        started_ = true;
        if (step == UNZ_END_OF_LIST_OF_FILE) return kEndOfArchive;
        if (step != UNZ_OK) {
            FILE_ERR_HERE();
            return step;
        }
        char name[kNameBuffer];
        step = unzGetCurrentFileInfo64(zip_, &info_, name, sizeof name, nullptr, 0, nullptr, 0);
        if (step != UNZ_OK) {
            xer << "unzGetCurrentFileInfo err != UNZ_OK! err=" << step << "\n";
            FILE_ERR_HERE();
            return step;
        }
        // A cut name would unpack to some other file.
        if (info_.size_filename >= sizeof name) {
            xer << "Zip entry name of " << info_.size_filename << " bytes is too long.\n";
            FILE_ERR_HERE();
            return ENAMETOOLONG;
        }
        item.name.assign(name, info_.size_filename);
        if (int err = take_zip64_fields(item.name)) return err;
        if (!item.name.empty() && item.name.back() == '/')
            item.kind = entry_kind::folder;
        else if ((mode_of(info_) & 0xA000) == 0xA000)
            item.kind = entry_kind::link;
        else
            item.kind = entry_kind::file;
        // Judged as it is handed over, before anyone weighs it against the
        // free space: a size the archive cannot hold is the archive's
        // fault, not a full disk here.
        if (!plausible()) {
            xer << "Zip entry \"" << item.name << "\" claims " << info_.uncompressed_size << " bytes from "
                << info_.compressed_size << ".\n";
            FILE_ERR_HERE();
            return kErrZipShortRead;
        }
        item.size = info_.uncompressed_size;
        item.attrs = attrs_of(info_, last_date_);
        got_ = 0;
        return 0;
    }

    int read_piece(char* buffer, size_t size, size_t* got) override
    {
        *got = 0;
        if (finished_) return 0;
        if (!opened_) {
            int err = unzOpenCurrentFile(zip_);
            if (err != UNZ_OK) {
                FILE_ERR_HERE();
                return err;
            }
            opened_ = true;
        }
        if (size > INT_MAX) size = INT_MAX;
        int n = unzReadCurrentFile(zip_, buffer, static_cast<unsigned>(size));
        if (n < 0) return fail(kErrZipShortRead);
        got_ += static_cast<unsigned>(n);
        if (got_ > info_.uncompressed_size) return fail(kErrZipShortRead);
        if (n > 0) {
            *got = static_cast<size_t>(n);
            return 0;
        }
        if (got_ != info_.uncompressed_size) return fail(kErrZipShortRead);
        // minizip compares the CRC here, once every byte has been read.
        opened_ = false;
        finished_ = true;
        int err = unzCloseCurrentFile(zip_);
        if (err != UNZ_OK) FILE_ERR_HERE();
        return err;
    }

    // This minizip takes an entry's sizes and header offset from their
    // 32-bit fields alone, though all ones there means "in the zip64 field":
    // it would count on 4294967295 bytes, never count down to them, and so
    // never compare the CRC.  The true values are laid over those fields in
    // the bytes minizip reads, and it reads the header again: its counters,
    // its local-header check and its CRC check then work on them.  A value
    // that does not fit the field cannot be handed to it at all.
    int take_zip64_fields(const std::string& name)
    {
        // The central header's marked fields, in the order of their values
        // in the zip64 field.
        static const struct {
            int at;
            const char* what;
        } kFields[] = {{24, "size"}, {20, "packed size"}, {42, "header offset"}};
        const off_t at = static_cast<off_t>(unzGetOffset64(zip_));
        unsigned char head[46];
        const bool looks_right = bytes_->read_at(at, head, sizeof head) == sizeof head &&
                                 little_endian(head, 4) == 0x02014b50 && little_endian(head + 16, 4) == info_.crc &&
                                 little_endian(head + 28, 2) == info_.size_filename &&
                                 little_endian(head + 30, 2) == info_.size_file_extra;
        if (!looks_right) {
            // Behind a preamble minizip reads its headers elsewhere: an
            // entry with zip64 sizes is refused, any other is its to read.
            if (info_.compressed_size != kInZip64 && info_.uncompressed_size != kInZip64) return 0;
            return refuse(name, "has zip64 sizes in a central header not found where minizip read it");
        }
        bool marked = false;
        for (const auto& field : kFields) marked = marked || little_endian(head + field.at, 4) == kInZip64;
        if (!marked) return 0;

        std::vector<unsigned char> extra(info_.size_file_extra);
        if (bytes_->read_at(at + 46 + static_cast<off_t>(info_.size_filename), extra.data(), extra.size()) !=
            extra.size())
            return refuse(name, "is cut off in its extra fields");
        // The zip64 field's values, up to the end of the extra fields.
        const unsigned char* values = nullptr;
        size_t room = 0;
        for (size_t i = 0; i + 4 <= extra.size(); i += 4 + little_endian(&extra[i + 2], 2))
            if (little_endian(&extra[i], 2) == 1) {
                values = &extra[i + 4];
                room = std::min<size_t>(little_endian(&extra[i + 2], 2), extra.size() - i - 4);
                break;
            }
        for (const auto& field : kFields) {
            if (little_endian(head + field.at, 4) != kInZip64) continue;
            if (room < 8) return refuse(name, std::string("has no zip64 ") + field.what);
            const uint64_t value = little_endian(values, 8);
            if (value >= kInZip64)
                return refuse(name, std::string("is refused: its ") + field.what + " of " + std::to_string(value) +
                                        " does not fit in the 32 bits that minizip reads");
            bytes_->overlays[bytes_->overlay_count++] = {at + field.at, static_cast<uint32_t>(value)};
            values += 8;
            room -= 8;
        }
        int err = unzSetOffset64(zip_, static_cast<ZPOS64_T>(at));
        if (err == UNZ_OK) err = unzGetCurrentFileInfo64(zip_, &info_, nullptr, 0, nullptr, 0, nullptr, 0);
        if (err != UNZ_OK) FILE_ERR_HERE();
        return err;
    }
    int refuse(const std::string& name, const std::string& why)
    {
        xer << "Zip entry \"" << name << "\" " << why << ".\n";
        FILE_ERR_HERE();
        return kErrZipShortRead;
    }

    bool plausible() const
    {
        if (info_.compressed_size > archive_size_) return false;
        if (info_.compression_method == 0) return info_.uncompressed_size == info_.compressed_size;
        return info_.uncompressed_size <= info_.compressed_size * kMaxDeflateRatio + 65536;
    }
    int fail(int err)
    {
        FILE_ERR_HERE();
        unzCloseCurrentFile(zip_);
        opened_ = false;
        finished_ = true;
        return err;
    }

    unzFile zip_;
    std::unique_ptr<zip_bytes> bytes_;
    unsigned long long archive_size_;
    unz_file_info64 info_{};
    converted_date last_date_;
    unsigned long long count_ = 0, index_ = 0;  // entries in the archive, and the current one's place
    unsigned long long got_ = 0;
    bool started_ = false, opened_ = false, finished_ = false;
};

// minizip looks for the archive's end record in its last 65,535 bytes and
// takes the last signature it finds there, but the record's 22 bytes come
// before a comment of up to 65,535: behind a comment of more than 65,513
// bytes it finds none, and a comment that holds the signature misleads it.
// When it fails, the last record whose comment ends exactly where the
// archive does is taken, and minizip is shown the archive as ending with
// that record: nothing it reads lies in the comment.  False when there is
// no such record, or it has no comment to leave out.
bool end_at_the_record_before_its_comment(zip_bytes& in)
{
    constexpr off_t kRecord = 22, kMaxComment = 0xffff;
    const off_t from = std::max<off_t>(0, in.size - kRecord - kMaxComment);
    const off_t last = in.size - kRecord - 1;  // a record with a comment
    if (last < from) return false;
    std::vector<unsigned char> tail(static_cast<size_t>(last + kRecord - from));
    if (in.read_at(from, tail.data(), tail.size()) != tail.size()) return false;
    for (off_t at = last; at >= from; --at) {
        const unsigned char* record = &tail[static_cast<size_t>(at - from)];
        if (little_endian(record, 4) == 0x06054b50 &&
            at + kRecord + static_cast<off_t>(little_endian(record + 20, 2)) == in.size) {
            in.size = at + kRecord;
            return true;
        }
    }
    return false;
}

int open_zip(std::unique_ptr<zip_bytes> bytes, const std::string& path, std::unique_ptr<archive_reader>& out)
{
    const int open_error = bytes ? 0 : errno;
    zlib_filefunc64_def calls = {bytes_open, bytes_read, bytes_write, bytes_tell,
                                 bytes_seek, bytes_close, bytes_error, nullptr};
    unzFile zip = bytes ? unzOpen2_64(bytes.get(), &calls) : nullptr;
    if (!zip && bytes && end_at_the_record_before_its_comment(*bytes)) zip = unzOpen2_64(bytes.get(), &calls);
    if (!zip) {
        xer << "OK I am about to report that I could not open a zip file for extraction!\n"
            << "That incoming file is " << path << "\n"
            << "In c-form, it is " << path.c_str() << "\n"
            << "The size is " << path.size() << "\n";
        FILE_ERR_HERE();
        // Missing, it is no archive; but no descriptor or memory left to
        // open it with is this system's trouble, not the archive's.
        return open_error && open_error != ENOENT && open_error != ENOTDIR ? open_error : kErrZipOpen;
    }
    // Not thrown past the open archive, which would stay open.
    auto* reader = new (std::nothrow) zip_reader(zip, std::move(bytes));
    if (!reader) {
        unzClose(zip);
        return failed_allocation();
    }
    out.reset(reader);
    return 0;
}

}  // namespace

int open_zip_reader(const std::string& path, std::unique_ptr<archive_reader>& out)
{
    return without_failed_allocations([&] { return open_zip(open_bytes(path), path, out); });
}

int open_zip_reader(int fd, const std::string& path, std::unique_ptr<archive_reader>& out)
{
    return without_failed_allocations(
        [&] { return open_zip(bytes_of(::fcntl(fd, F_DUPFD_CLOEXEC, 0)), path, out); });
}
