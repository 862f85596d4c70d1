// Unpacking zip archives: each entry streams from minizip into a new file
// beside its name and is checked against its CRC before it replaces
// anything, so a damaged download never replaces a good file.

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/files/system_paths.h"

namespace {

void log_entry_failure(const char* what, int err, const std::string& dest)
{
    xer << what << err << ". file = " << sErrFile << " line = " << sErrLine << ". inFile=" << dest
        << ".\n";
}

// Writes the current entry to `name` under the destination.
int unzip_file(archive_reader& zip, extract_dest& dest, const std::string& name, const archive_item& item)
{
    int err = dest.write_file(name, item, zip);
    if (err) log_entry_failure("Zip to file failed with error ", err, dest.path());
    return err;
}

// Makes `name` a link to the text the current entry holds.
int unzip_symlink(archive_reader& zip, extract_dest& dest, const std::string& name, const archive_item& item)
{
    std::string target;
    int err = read_link_text(zip, item, target);
    if (!err) err = dest.make_link(name, target);
    if (err) log_entry_failure("Zip to symlink failed with error ", err, dest.path());
    return err;
}

int unpack_entries(archive_reader& zip, extract_dest& dest, std::string* name, int rename)
{
    const std::string rename_to = rename && name ? *name : std::string();
    archive_item item;
    for (bool first = true;; first = false) {
        int err = zip.next(item);
        if (err == kEndOfArchive) return 0;
        if (err) return err;
        if (first && name) *name = item.name;
        if (item.name.compare(0, 8, "__MACOSX") == 0) continue;

        const std::string target = first && rename && name && item.kind != entry_kind::folder ? rename_to : item.name;
        if (item.kind == entry_kind::folder)
            err = dest.make_folder(item.name);
        else if (item.kind == entry_kind::link)
            err = unzip_symlink(zip, dest, target, item);
        else
            err = unzip_file(zip, dest, target, item);
        if (err) {
            xer << "UNZIP zip_to_file failed with err=" << err << "\n";
            return err;
        }
    }
}

}  // namespace

int zip_to_file(const std::string& archive, const std::string& out_dir, std::string* name,
                int rename)
{
    std::string zip_path = archive;
    set_path_to_full(zip_path);
    const int err = without_failed_allocations([&] {
        std::unique_ptr<archive_reader> zip;
        int err = open_zip_reader(zip_path, zip);
        if (err) return err;
        std::string full_out_dir = out_dir;
        set_path_to_full(full_out_dir);
        confined_folder root;
        if ((err = root.open(full_out_dir, g_case_sensitive != 0)) != 0) {
            FILE_ERR_HERE();
            return err;
        }
        extract_dest dest(root);
        return unpack_entries(*zip, dest, name, rename);
    });
    if (err) log_unpack_failure(false, err, zip_path, out_dir);
    return err;
}
