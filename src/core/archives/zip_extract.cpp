// Unpacking zip archives with minizip.
//
// An entry is read whole into memory and checked against its CRC before
// its destination is touched, so a damaged download never replaces a good
// file, and it is then written with one write.

#include <sys/stat.h>
#include <unzip.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>

#include "core/archives/archive_destination.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"

namespace {

// Names are read into a buffer of this size with its ending zero.
constexpr size_t kNameBuffer = 256;
// unzReadCurrentFile takes an unsigned count.
constexpr unsigned kMaxRead = 1u << 30;
// Deflate cannot expand a byte to more than 1032; a size beyond that (or
// beyond what the archive holds at all) is a lie we must not allocate for.
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

bool plausible_size(const unz_file_info64& info, unsigned long long archive_size)
{
    if (info.compressed_size > archive_size) return false;
    if (info.compression_method == 0) return info.uncompressed_size == info.compressed_size;
    return info.uncompressed_size <= info.compressed_size * kMaxDeflateRatio + 65536;
}

// The current entry, whole and CRC-checked, into `data`.
int read_entry(unzFile zip, const unz_file_info64& info, unsigned long long archive_size,
               std::unique_ptr<char[]>& data)
{
    int err = unzOpenCurrentFile(zip);
    if (err != UNZ_OK) {
        FILE_ERR_HERE();
        return err;
    }
    unsigned long long size = info.uncompressed_size;
    if (!plausible_size(info, archive_size)) {
        unzCloseCurrentFile(zip);
        FILE_ERR_HERE();
        return kErrZipShortRead;
    }
    data.reset(new (std::nothrow) char[size ? size : 1]);
    if (!data) {
        unzCloseCurrentFile(zip);
        FILE_ERR_HERE();
        return ENOMEM;
    }
    unsigned long long got = 0;
    while (got < size) {
        unsigned want = size - got < kMaxRead ? static_cast<unsigned>(size - got) : kMaxRead;
        int n = unzReadCurrentFile(zip, data.get() + got, want);
        if (n <= 0) break;
        got += static_cast<unsigned>(n);
    }
    if (got != size) {
        unzCloseCurrentFile(zip);
        FILE_ERR_HERE();
        return kErrZipShortRead;
    }
    // minizip compares the CRC here, once every byte has been read.
    err = unzCloseCurrentFile(zip);
    if (err != UNZ_OK) FILE_ERR_HERE();
    return err;
}

void log_entry_failure(const char* what, int err, const std::string& dest)
{
    xer << what << err << ". file = " << sErrFile << " line = " << sErrLine << ". inFile=" << dest
        << ".\n";
}

// Writes the current entry to `name` under the destination.
int unzip_file(void* zip, extract_dest& dest, const std::string& name, const unz_file_info64& info,
               unsigned long long archive_size)
{
    std::unique_ptr<char[]> data;
    int err = read_entry(zip, info, archive_size, data);
    if (!err) {
        extract_attrs attrs;
        // Zips made on DOS or Windows keep no Unix mode: chmod would make
        // their files unreadable (mode 000).
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
        err = dest.write_file(name, data.get(), info.uncompressed_size, attrs);
    }
    if (err) log_entry_failure("Zip to file failed with error ", err, dest.out_dir() + name);
    return err;
}

// Makes `name` a link to the text the current entry holds.
int unzip_symlink(void* zip, extract_dest& dest, const std::string& name,
                  const unz_file_info64& info, unsigned long long archive_size)
{
    std::unique_ptr<char[]> data;
    int err = read_entry(zip, info, archive_size, data);
    if (!err) err = dest.make_link(name, std::string(data.get(), info.uncompressed_size));
    if (err) log_entry_failure("Zip to symlink failed with error ", err, dest.out_dir() + name);
    return err;
}

}  // namespace

int zip_to_file(const std::string& archive, const std::string& out_dir, std::string* name,
                int rename)
{
    std::string zip_path = archive;
    set_path_to_full(zip_path);
    unzFile zip = unzOpen64(zip_path.c_str());
    int err = 0;
    if (!zip) {
        xer << "OK I am about to report that I could not open a zip file for extraction!\n"
            << "That incoming file is " << zip_path << "\n"
            << "In c-form, it is " << zip_path.c_str() << "\n"
            << "The size is " << zip_path.size() << "\n";
        FILE_ERR_HERE();
        err = kErrZipOpen;
    } else {
        struct stat st {};
        ::stat(zip_path.c_str(), &st);
        unsigned long long archive_size = static_cast<unsigned long long>(st.st_size);
        std::string rename_to = rename && name ? *name : std::string();
        extract_dest dest(out_dir, true);

        int step = unzGoToFirstFile(zip);
        for (bool first = true; step == UNZ_OK; first = false) {
            unz_file_info64 info;
            char name_buffer[kNameBuffer];
            step = unzGetCurrentFileInfo64(zip, &info, name_buffer, sizeof name_buffer, nullptr, 0,
                                           nullptr, 0);
            if (step != UNZ_OK) {
                xer << "unzGetCurrentFileInfo err != UNZ_OK! err=" << step << "\n";
                break;
            }
            // A cut name would unpack to some other file.
            if (info.size_filename >= sizeof name_buffer) {
                xer << "Zip entry name of " << info.size_filename << " bytes is too long.\n";
                FILE_ERR_HERE();
                err = ENAMETOOLONG;
                break;
            }
            std::string entry(name_buffer, info.size_filename);
            if (first && name) *name = entry;

            if (entry.compare(0, 8, "__MACOSX") == 0) {
                step = unzGoToNextFile(zip);
                continue;
            }
            bool is_folder = !entry.empty() && entry.back() == '/';
            std::string target = first && rename && name && !is_folder ? rename_to : entry;
            if (is_folder)
                err = dest.make_folder(entry);
            else if ((mode_of(info) & 0xA000) == 0xA000)
                err = unzip_symlink(zip, dest, target, info, archive_size);
            else
                err = unzip_file(zip, dest, target, info, archive_size);
            if (err) {
                xer << "UNZIP zip_to_file failed with err=" << err << "\n";
                break;
            }
            step = unzGoToNextFile(zip);
        }
        if (!err && step != UNZ_OK && step != UNZ_END_OF_LIST_OF_FILE) {
            FILE_ERR_HERE();
            err = step;
        }
        unzClose(zip);
    }
    if (err)
        xer << "Zip to file failed with error err = " << err << ". file = " << sErrFile
            << " line = " << sErrLine << ". zip_file=" << zip_path << ", out_dir=" << out_dir
            << ".\n";
    return err;
}
