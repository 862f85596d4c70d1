// Unpacking 7z archives: each file streams from the decoder into a new
// file beside its name, and replaces what is there only once decoded whole,
// so a damaged archive never replaces a good file with a broken one.
// Result codes: see p7z_reader.cpp, worded for 7z by seven_zip_error; a
// destination that cannot be created gives errno, one that cannot be
// written (a full disk) 20018 with the system's reason logged, an entry
// that would land outside out_dir 20016, logged; memory that cannot be
// had, here as in the reader, ENOMEM.

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/files/system_paths.h"

namespace {

int unpack_files(archive_reader& in, extract_dest& dest, std::string* name, int rename)
{
    const std::string rename_to = rename && name ? *name : std::string();
    archive_item item;
    for (bool first_file = true;;) {
        int err = in.next(item);
        if (err == kEndOfArchive) return 0;
        if (err) return err;
        // Only files are written: folders must exist, and links or devices
        // have no place in the simulator's archives.
        if (item.kind != entry_kind::file) continue;
        const std::string target = first_file && rename && name ? rename_to : item.name;
        first_file = false;
        err = dest.write_file(target, item, in);
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

    int err = without_failed_allocations([&] {
        std::unique_ptr<archive_reader> in;
        int err = open_7z_reader(full_archive, in, archive_path);
        if (err) return err;
        confined_folder root;
        if ((err = root.open(full_out_dir, false)) != 0) {
            FILE_ERR_HERE();
            return err;
        }
        extract_dest dest(root, "", kErrZipWrite);
        return unpack_files(*in, dest, name, rename);
    });
    err = seven_zip_error(err);
    if (err) log_unpack_failure(true, err, full_archive, out_dir);
    return err;
}
