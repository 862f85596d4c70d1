// Unpacking the zipped manifest of a download server or an install DVD.
//
// Only the entry "directory.txt" is written, and no larger than the bound:
// the reader maps the file whole, so a small archive that unpacks to a
// gigabyte would otherwise cost that much disk and memory before a line of
// it was read.
#include <memory>

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/diag/log_stream.h"
#include "core/files/confined_folder.h"
#include "core/files/file_ops.h"
#include "core/files/system_paths.h"
#include "engine/manifest.h"

namespace {

const char kManifestName[] = "directory.txt";

int write_manifest_entry(archive_reader& in, const confined_folder& folder)
{
    archive_item item;
    for (;;) {
        int err = in.next(item);
        if (err == kEndOfArchive) break;
        if (err) return err;
        if (item.name != kManifestName || item.kind != entry_kind::file) continue;
        extract_dest dest(folder);
        entry_check check;
        check.max_size = kManifestMaxBytes;
        return dest.write_file(kManifestName, item, in, check);
    }
    FILE_ERR_HERE();
    xer << "The manifest archive holds no " << kManifestName << ".\n";
    return kErrZipOpen;
}

}  // namespace

int unpack_manifest(const std::string& archive, const std::string& folder)
{
    // A manifest left by an earlier read must not pass for this one.
    delete_file(folder + kManifestName);
    std::string full_archive = archive;
    set_path_to_full(full_archive);
    std::string full_folder = folder;
    set_path_to_full(full_folder);
    std::unique_ptr<archive_reader> in;
    int err = open_zip_reader(full_archive, in);
    if (!err) {
        confined_folder root;
        err = root.open(full_folder, g_case_sensitive != 0);
        if (!err) err = write_manifest_entry(*in, root);
    }
    if (err) log_unpack_failure(false, err, full_archive, folder);
    return err;
}
