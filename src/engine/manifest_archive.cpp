// Unpacking the zipped manifest of a download server or an install DVD.
//
// Only the entry "directory.txt" is written, and no larger than the bound:
// the reader maps the file whole, so a small archive that unpacks to a
// gigabyte would otherwise cost that much disk and memory before a line of
// it was read.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>
#include <vector>

#include "core/archives/archive_destination.h"
#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/confined_folder.h"
#include "core/files/file_ops.h"
#include "core/files/line_tokens.h"
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

// Lines as the reader ends them (line_tokens.h: LF, CR and NUL, a CR LF
// pair once).  kErrLargerThanExpected when the written manifest has more
// than the reader may take.
int count_manifest_lines(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    std::vector<char> chunk(1 << 16);
    long long lines = 0;
    char previous = 0;
    ssize_t n;
    while ((n = ::read(fd, chunk.data(), chunk.size())) > 0 && lines <= kManifestMaxLines) {
        for (const char c : std::string_view(chunk.data(), static_cast<size_t>(n))) {
            lines += is_line_end(c) && !(c == '\n' && previous == '\r');
            previous = c;
        }
    }
    const int err = n < 0 ? errno : 0;
    ::close(fd);
    if (err) return err;
    if (lines <= kManifestMaxLines) return 0;
    xer << "The manifest has more than " << kManifestMaxLines << " lines.\n";
    return kErrLargerThanExpected;
}

}  // namespace

namespace {

// The unpacking of the archive `open` opens, named `archive`.
template <typename Open>
int unpack_manifest_with(Open open, const std::string& archive, const std::string& folder, bool* in_archive)
{
    // A manifest left by an earlier read must not pass for this one.
    delete_file(folder + kManifestName);
    std::string full_archive = archive;
    set_path_to_full(full_archive);
    std::string full_folder = folder;
    set_path_to_full(full_folder);
    std::unique_ptr<archive_reader> in;
    int err = without_failed_allocations([&] {
        int err = open(full_archive, in);
        if (err) return err;
        confined_folder root;
        err = root.open(full_folder, g_case_sensitive != 0);
        if (!err) err = write_manifest_entry(*in, root);
        if (!err) err = count_manifest_lines(full_folder + kManifestName);
        return err;
    });
    if (err && in) delete_file(folder + kManifestName);
    if (err) log_unpack_failure(false, err, full_archive, folder);
    if (in_archive) *in_archive = failed_in_archive(err, in.get());
    return err;
}

}  // namespace

int unpack_manifest(const std::string& archive, const std::string& folder, bool* in_archive)
{
    return unpack_manifest_with(
        [](const std::string& full, std::unique_ptr<archive_reader>& in) { return open_zip_reader(full, in); },
        archive, folder, in_archive);
}

int unpack_manifest_from(int fd, const std::string& archive, const std::string& folder, bool* in_archive)
{
    return unpack_manifest_with(
        [fd](const std::string& full, std::unique_ptr<archive_reader>& in) { return open_zip_reader(fd, full, in); },
        archive, folder, in_archive);
}
