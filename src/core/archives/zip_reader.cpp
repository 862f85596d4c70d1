// Zip entries through minizip, read in pieces.  minizip holds one
// compressed block and zlib's window per archive, whatever the entry's size.

#include <sys/stat.h>
#include <unzip.h>

#include <cerrno>
#include <climits>
#include <ctime>
#include <mutex>

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

extract_attrs attrs_of(const unz_file_info64& info)
{
    extract_attrs attrs;
    // Zips made on DOS or Windows keep no Unix mode: chmod would make their
    // files unreadable (mode 000).
    attrs.set_mode = mode_of(info) != 0;
    attrs.mode = mode_of(info) & 0777;
    if (info.external_fa != 0) {
        std::tm when{};
        when.tm_sec = static_cast<int>(info.tmu_date.tm_sec);
        when.tm_min = static_cast<int>(info.tmu_date.tm_min);
        when.tm_hour = static_cast<int>(info.tmu_date.tm_hour);
        when.tm_mday = static_cast<int>(info.tmu_date.tm_mday);
        when.tm_mon = static_cast<int>(info.tmu_date.tm_mon);
        when.tm_year = static_cast<int>(info.tmu_date.tm_year) - 1900;
        when.tm_isdst = -1;
        attrs.set_time = true;
        attrs.mtime = local_time_of(when);
    }
    return attrs;
}

class zip_reader : public archive_reader {
public:
    zip_reader(unzFile zip, unsigned long long archive_size) : zip_(zip), archive_size_(archive_size) {}
    ~zip_reader() override
    {
        if (opened_) unzCloseCurrentFile(zip_);
        unzClose(zip_);
    }

    int next(archive_item& item) override
    {
        if (opened_) unzCloseCurrentFile(zip_);
        opened_ = finished_ = false;
        int step = started_ ? unzGoToNextFile(zip_) : unzGoToFirstFile(zip_);
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
        if (!item.name.empty() && item.name.back() == '/')
            item.kind = entry_kind::folder;
        else if ((mode_of(info_) & 0xA000) == 0xA000)
            item.kind = entry_kind::link;
        else
            item.kind = entry_kind::file;
        item.size = info_.uncompressed_size;
        item.attrs = attrs_of(info_);
        got_ = 0;
        return 0;
    }

    int read(char* buffer, size_t size, size_t* got) override
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
            if (!plausible()) return fail(kErrZipShortRead);
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

private:
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
    unsigned long long archive_size_;
    unz_file_info64 info_{};
    unsigned long long got_ = 0;
    bool started_ = false, opened_ = false, finished_ = false;
};

}  // namespace

int open_zip_reader(const std::string& path, std::unique_ptr<archive_reader>& out)
{
    unzFile zip = unzOpen64(path.c_str());
    if (!zip) {
        xer << "OK I am about to report that I could not open a zip file for extraction!\n"
            << "That incoming file is " << path << "\n"
            << "In c-form, it is " << path.c_str() << "\n"
            << "The size is " << path.size() << "\n";
        FILE_ERR_HERE();
        return kErrZipOpen;
    }
    struct stat st {};
    ::stat(path.c_str(), &st);
    out.reset(new zip_reader(zip, static_cast<unsigned long long>(st.st_size)));
    return 0;
}
