#include "core/archives/archive_reader.h"

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"

int read_link_text(archive_reader& from, const archive_item& item, std::string& target)
{
    constexpr size_t kMaxTarget = 4096;  // PATH_MAX with its ending zero
    target.clear();
    if (item.size >= kMaxTarget) {
        FILE_ERR_HERE();
        return kErrZipShortRead;
    }
    char piece[kMaxTarget];
    for (;;) {
        size_t got = 0;
        if (int err = from.read(piece, sizeof piece, &got)) return err;
        if (got == 0) return 0;
        target.append(piece, got);
        if (target.size() >= kMaxTarget) {
            FILE_ERR_HERE();
            return kErrZipShortRead;
        }
    }
}

void log_unpack_failure(bool seven_zip, int err, const std::string& archive, const std::string& out_dir)
{
    xer << (seven_zip ? "7z to file failed with error err = " : "Zip to file failed with error err = ") << err
        << ". file = " << sErrFile << " line = " << sErrLine << (seven_zip ? ". archive=" : ". zip_file=")
        << archive << ", out_dir=" << out_dir << ".\n";
}
