#include "core/archives/archive_reader.h"

#include <cerrno>

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"

int archive_reader::next(archive_item& item)
{
    return noted(without_failed_allocations([&] { return next_entry(item); }));
}

int archive_reader::read(char* buffer, size_t size, size_t* got)
{
    return noted(without_failed_allocations([&] { return read_piece(buffer, size, got); }));
}

int archive_reader::noted(int err)
{
    // Memory that could not be had, a decoder's after its one try alone
    // included: the checks have held the archive to what its data could
    // need, so this machine lacks it, and no copy would fare better.
    failed_ = failed_ || (err != 0 && err != kEndOfArchive && err != ENOMEM);
    return err;
}

bool failed_in_archive(int err, const archive_reader* in)
{
    return err != 0 && ((in && in->failed()) || is_archive_fault(err));
}

int failed_allocation()
{
    FILE_ERR_HERE();
    xer << "Unpacking ran out of memory.\n";
    return ENOMEM;
}

std::string shown_name(const std::string& name)
{
    constexpr size_t kShown = 200;
    if (name.size() <= kShown) return name;
    size_t cut = kShown;
    // Back to the first byte of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut) + "\xE2\x80\xA6 (" + std::to_string(name.size()) + " bytes)";
}

int read_link_text(archive_reader& from, const archive_item& item, std::string& target)
{
    target.clear();
    if (item.size >= kMaxLinkTarget) {
        FILE_ERR_HERE();
        return kErrZipShortRead;
    }
    char piece[kMaxLinkTarget];
    for (;;) {
        size_t got = 0;
        if (int err = from.read(piece, sizeof piece, &got)) return err;
        if (got == 0) return 0;
        target.append(piece, got);
        if (target.size() >= kMaxLinkTarget) {
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
