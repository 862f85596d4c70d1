// Packing one file into a new zip archive with minizip.

#include <sys/stat.h>
#include <zip.h>

#include <ctime>

#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "core/files/xmap.h"

namespace {

// zipWriteInFileInZip takes an unsigned count.
constexpr size_t kMaxWrite = 1u << 30;

// The entry's date and mode, or all zero when the source cannot be asked.
zip_fileinfo entry_record(const std::string& source)
{
    zip_fileinfo record{};
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) return record;
    std::tm when{};
    ::localtime_r(&st.st_mtime, &when);
    record.tmz_date.tm_sec = static_cast<uInt>(when.tm_sec);
    record.tmz_date.tm_min = static_cast<uInt>(when.tm_min);
    record.tmz_date.tm_hour = static_cast<uInt>(when.tm_hour);
    record.tmz_date.tm_mday = static_cast<uInt>(when.tm_mday);
    record.tmz_date.tm_mon = static_cast<uInt>(when.tm_mon);
    record.tmz_date.tm_year = static_cast<uInt>(when.tm_year + 1900);
    record.external_fa = static_cast<uLong>(st.st_mode) << 16;
    return record;
}

int write_entry(zipFile zip, const std::string& name, const zip_fileinfo& record,
                const xmap_class& data)
{
    // Made on Unix, so that every reader takes the high attribute bits as
    // the file's mode.
    const uLong made_on_unix = (3 << 8) | 20;
    int err = zipOpenNewFileInZip4_64(zip, name.c_str(), &record, nullptr, 0, nullptr, 0, nullptr,
                                      Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                      DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, made_on_unix,
                                      0, data.size() >= 0xFFFFFFFFu);
    if (err != ZIP_OK) {
        FILE_ERR_HERE();
        return err;
    }
    for (size_t at = 0; at < data.size() && err == ZIP_OK; at += kMaxWrite) {
        size_t piece = data.size() - at < kMaxWrite ? data.size() - at : kMaxWrite;
        err = zipWriteInFileInZip(zip, data.begin + at, static_cast<unsigned>(piece));
    }
    if (err != ZIP_OK) {
        FILE_ERR_HERE();
        zipCloseFileInZip(zip);
        return err;
    }
    err = zipCloseFileInZip(zip);
    if (err != ZIP_OK) FILE_ERR_HERE();
    return err;
}

}  // namespace

int file_to_zip(const std::string& source, const std::string& zip_path)
{
    std::string full_source = source;
    set_path_to_full(full_source);
    std::string full_zip = zip_path;
    set_path_to_full(full_zip);
    std::string name = full_source.substr(full_source.rfind('/') + 1);

    int err = 0;
    xmap_class data(full_source);
    zipFile zip = nullptr;
    if (!data.begin) {
        FILE_ERR_HERE();
        err = kErrFileOpenRead;
    } else if (!(zip = zipOpen64(full_zip.c_str(), APPEND_STATUS_CREATE))) {
        FILE_ERR_HERE();
        err = kErrZipCreate;
    } else {
        err = write_entry(zip, name, entry_record(full_source), data);
        // The central directory is written here: a full disk shows now.
        int closed = zipClose(zip, nullptr);
        if (!err && closed != ZIP_OK) {
            FILE_ERR_HERE();
            err = closed;
        }
    }
    if (err)
        xer << "file_to_zip failed with error " << err << ".\nfile = " << sErrFile
            << " line = " << sErrLine << "\n";
    return err;
}
