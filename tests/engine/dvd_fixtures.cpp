#include "dvd_fixtures.h"

#include <algorithm>
#include <stdexcept>
#include <unistd.h>

#include "core/archives/archives.h"
#include "core/diag/log_stream.h"
#include "engine/manifest.h"
#include "engine_test_support.h"

namespace engine_testing {

namespace {

bool is_scenery_archive(const std::string& path)
{
    return path.find("Global Scenery") != std::string::npos;
}

// The archive holds the file under its last name, as the releases do: it
// is unpacked into the folder that the manifest path names.
void pack(const std::string& source, const std::string& archive)
{
    testing_support::write_file(archive, "");  // makes the folders
    ::unlink(archive.c_str());
    if (is_scenery_archive(archive)) {
        const std::string folder = source.substr(0, source.rfind('/'));
        const std::string name = source.substr(source.rfind('/') + 1);
        auto made = testing_support::run_shell("cd '" + folder + "' && 7zz a -t7z -bso0 -bsp0 '" +
                                               archive + "' '" + name + "'");
        if (made.status != 0) throw std::runtime_error("7zz failed: " + made.out);
    } else if (file_to_zip(source, archive) != 0) {
        throw std::runtime_error("could not zip " + source);
    }
}

}  // namespace

std::string dvd_version_text(const std::string& release)
{
    return "I\n900 version\nDVD\n\nVERSION " + release + "\n";
}

log_capture::log_capture() { xer.open(dir_ / "log.txt"); }

log_capture::~log_capture() { xer.close(); }

std::string log_capture::text()
{
    xer << std::flush;
    return testing_support::read_file(dir_ / "log.txt");
}

dvd_set::dvd_set(const std::vector<dvd_file>& files, const std::string& release)
    : release_(release)
{
    int last_disk = 0;
    std::string body;
    for (const dvd_file& file : files) {
        last_disk = std::max(last_disk, file.disk);
        const std::string source = root_ / ("sources/" + std::to_string(&file - files.data()) + "/" +
                                            file.path.substr(file.path.rfind('/') + 1));
        testing_support::write_file(source, file.contents);
        pack(source, archive_of(file));
        body += "DISK " + std::to_string(file.disk) + "\nFILE 1 0 0 " +
                std::to_string(file.contents.size() / 1024 + 1) + " " +
                std::to_string(file.contents.size() / 1024 + 1) + " " + testing_support::md5_hex(file.contents) +
                " " + file.path + "\n";
    }
    manifest_ = manifest_text(body);
    testing_support::write_file(root_ / "sources/directory.txt", manifest_);
    for (int disk = 0; disk <= last_disk; ++disk) {
        testing_support::write_file(disk_folder(disk) + "dvd_version.txt", dvd_version_text(release));
        const std::string zipped = disk_folder(disk) + release + "/directory.txt.zip";
        testing_support::write_file(zipped, "");
        ::unlink(zipped.c_str());
        if (file_to_zip(root_ / "sources/directory.txt", zipped) != 0)
            throw std::runtime_error("could not zip the manifest");
    }
}

std::string dvd_set::disk_folder(int disk) const
{
    return root_ / ("disk" + std::to_string(disk + 1) + "/");
}

std::string dvd_set::archive_of(const dvd_file& file) const
{
    return disk_folder(file.disk) + release_ + "/" + file.path +
           (is_scenery_archive(file.path) ? ".7z" : ".zip");
}

void dvd_set::load_manifest() const
{
    read_directory_body(manifest_.data() + manifest_.find("INSTALLER\n") + 10,
                        manifest_.data() + manifest_.size());
}

}  // namespace engine_testing
