#include "engine/dvd_media.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/core_globals.h"
#include "core/shell_hooks.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/text/translation.h"
#include "core/files/xmap.h"
#include "engine/dvd_mounts.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

bool is_history(int index) { return index >= 0 && index < static_cast<int>(sim_info.size()); }

// Where the archive of a history lies on a disk, below the disk's folder.
std::string archive_on_disk(int history)
{
    return install_name + "/" + sim_info[history].back().path + suffix_for_file(history);
}

// The version file of a disk whose manifest could not be read: while that
// very file is in the drive the hub keeps saying it is no install DVD;
// another disk, or this one taken out, is scanned afresh.
file_identity unreadable_disk;

file_identity identify(const std::string& disk)
{
    struct stat st;
    return ::lstat((disk + "dvd_version.txt").c_str(), &st) == 0 ? file_identity::of(st) : file_identity{};
}

// The disk in the drive cannot be installed from: the hub says it is no
// install DVD for as long as it stays in the drive.
void refuse_disk()
{
    stg.dir_status = kDirectoryNewerFormat;
    sim_info.clear();  // no manifest of another disk stands for this one's
    unreadable_disk = identify(dvd_path);
}

void read_dvd_manifest()
{
    const std::string archive = dvd_path + install_name + "/directory.txt.zip";
    const std::string manifest = temp_path + "directory.txt";
    int fd = -1;
    int err = UTIL_open_dvd_file(archive, fd);
    if (err == 0) {
        err = unpack_manifest_from(fd, archive, temp_path);
        ::close(fd);
    }
    if (err != 0) {
        refuse_disk();
        // A damaged disk is no reason to end the program: the user can put
        // in another one.  Said once per disk, then the hub says this is no
        // install DVD.
        __MACIBM_alert(0, UTL_translate_string("DVD scan: The installer cannot extract a file.", 0),
                       UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_text(err)),
                       UTL_string_sub(UTL_translate_string("Compressed File: %1:file%.", 0), archive),
                       UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), temp_path), 1,
                       __FILE__, __LINE__);
        return;
    }
    const int read = read_directory(
        manifest,
        UTL_translate_string(
            "Scanning directory text file to see if you already have Nimbrel installed...", 0));
    // As for a damaged disk, said once while the disk stays in the drive.
    if (read == kDirectoryOutOfMemory) {
        refuse_disk();
        manifest_out_of_memory_alert(manifest);
        return;
    }
    // A manifest cut short, or one whose every file is for another system
    // or removed: no road could install anything from this disk.
    if (read == kDirectoryDamaged || (read == kDirectoryRead && !release_offers_files())) {
        xer << "The DVD at " << dvd_path << " holds no file to install on this system.\n";
        refuse_disk();
        return;
    }
    stg.dir_status = read;
}

// Whether `name` from a disk's version file names a release folder on the
// disk `disk`: a folder's own name, never a path and never a link, which
// could lead the reads anywhere.  The empty name is the disk itself.
bool names_release_folder(const std::string& disk, const std::string& name)
{
    if (name.empty()) return true;
    struct stat st;
    if (name.find('/') == std::string::npos && name.find("..") == std::string::npos &&
        ::lstat((disk + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return true;
    static std::string told;  // once a disk, not every frame
    if (told != disk + name) xer << "The DVD at " << disk << " names no release folder: \"" << name << "\".\n";
    told = disk + name;
    return false;
}

// Forgets a disk that could not be read, or named no release, once it has
// left the drive, so that the next one is looked for wherever it mounts.
void forget_departed_disk()
{
    if (dvd_path.empty()) return;
    const bool unnamed = install_name == no_install_name;
    const bool unreadable = stg.dir_status == kDirectoryNewerFormat && unreadable_disk.set;
    if (!unnamed && !unreadable) return;
    const file_identity now = identify(dvd_path);
    if (unnamed ? now.set : now == unreadable_disk) return;
    unreadable_disk = {};
    dvd_path.clear();
    install_name = no_install_name;
    stg.dir_status = 0;
}

// A folder the last search refused, when it found nothing to use.
std::string refused_only;
// Where the disk let go of for the next one was: a desktop that mounts
// every disk at one place puts the next one there, looked at first.
std::string previous_disk;

void note_refused(bool none_serves, const std::vector<std::string>& refused)
{
    refused_only = none_serves && !refused.empty() ? refused.front() : "";
}

}  // namespace

bool read_dvd_version_file(const std::string& path, std::string& name, bool& found_name)
{
    xmap_class file(path);
    return read_dvd_version(file, name, found_name);
}

bool read_dvd_version(xmap_class& file, std::string& name, bool& found_name)
{
    found_name = false;
    static const int versions[] = {900, 0};
    if (!file.begin || !file.check_file(kHeaderText, versions, "DVD", nullptr)) return false;

    for (file.TXT_skip_delimiters(); !file.TXT_at_end(); file.TXT_next_line()) {
        // A token ends at a blank or a line end, so "VERSIONS" is no match.
        if (file.TXT_token() != "VERSION") continue;
        name = file.TXT_rest_of_line();
        found_name = true;
    }
    return true;
}

void UTIL_scan_dvd()
{
    forget_departed_disk();
    if (dvd_path.empty()) {
        std::vector<std::string> found, refused;
        UTIL_list_dvd_folders(found, &refused);
        if (!found.empty()) dvd_path = found.front();
        note_refused(found.empty(), refused);
    }
    if (dvd_path.empty()) return;  // the release folder is on the disk

    if (install_name == no_install_name) {
        const std::string version = dvd_path + "dvd_version.txt";
        std::string name;
        bool found_name = false;
        int fd = -1;
        xmap_class file;
        if (UTIL_open_dvd_file(version, fd) == 0 && file.take(fd, version) &&
            read_dvd_version(file, name, found_name)) {
            stg.server_count = 0;
            if (found_name && names_release_folder(dvd_path, name)) install_name = name;
        }
    }
    if (install_name != no_install_name && stg.dir_status == 0) read_dvd_manifest();
}

bool UTIL_verify_disk()
{
    if (!is_history(want_file_disk)) return false;
    const std::string archive = archive_on_disk(want_file_disk);

    // The disk in the drive first; then any mounted one, as a desktop that
    // mounts by label puts each disk in a folder of its own.  Whatever now
    // lies in the drive's folder passes the search's rule again.
    std::string holder, why;
    refused_only.clear();
    // The archive is looked for as it will be read: a name on a disk is
    // followed nowhere its rules do not allow (a link into a mount whose
    // daemon never answers would hold the screen for ever).
    const auto holds_archive = [&](const std::string& folder) {
        int fd = -1;
        if (UTIL_open_dvd_file(folder + archive, fd) != 0) return false;
        ::close(fd);
        return true;
    };
    const std::string& drive = dvd_path.empty() ? previous_disk : dvd_path;
    if (!drive.empty() && UTIL_dvd_folder_usable(drive, why) && holds_archive(drive)) {
        holder = drive;
    } else {
        std::vector<std::string> mounted, refused;
        UTIL_list_dvd_folders(mounted, &refused);
        for (const std::string& folder : mounted)
            if (holds_archive(folder)) {
                holder = folder;
                break;
            }
        note_refused(holder.empty(), refused);
    }
    if (holder.empty()) return false;
    dvd_path = holder;
    current_disk = sim_info[want_file_disk].back().disk;
    return true;
}

const std::string& UTIL_refused_dvd() { return refused_only; }

int UTIL_switch_disk(int eject)
{
    if (eject && !dvd_path.empty()) {
        eject_dvd(dvd_path);
        previous_disk = dvd_path;
        dvd_path.clear();
    }
    return is_history(want_file_disk) ? sim_info[want_file_disk].back().disk : -1;
}
