#include "dvd_release.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "release_tool.h"

namespace testing_support {

dvd_release::dvd_release(const std::map<std::string, std::string>& files, int disks,
                         const std::string& release, const std::vector<std::string>& more)
    : release_(release)
{
    scratch_dir source;
    for (const auto& [path, contents] : files) {
        write_file(source / path, contents);
        if (contents.compare(0, 2, "#!") == 0) ::chmod((source / path).c_str(), 0755);
    }
    make(source.path(), disks, more);
}

dvd_release::dvd_release(const std::string& source, int disks, const std::string& release)
    : release_(release)
{
    make(source, disks);
}

dvd_release::dvd_release(int small_files, int large_files, int large_mb, int disks) : release_("Nimbrel 9.00")
{
    const run_result made = run_program({"/usr/bin/env", "python3", NIMBREL_SOURCE_DIR "/tools/make_sample_release.py",
                                         root_.path(), "--dvd", std::to_string(disks), "--small",
                                         std::to_string(small_files), "--large", std::to_string(large_files),
                                         "--large-mb", std::to_string(large_mb)});
    if (made.status != 0) error_ = made.out.empty() ? "the sample DVDs were not made" : made.out;
    insert(0);
}

void dvd_release::make(const std::string& source, int disks, const std::vector<std::string>& more)
{
    std::vector<std::string> arguments = {"--dvd-disks", std::to_string(disks)};
    arguments.insert(arguments.end(), more.begin(), more.end());
    error_ = make_release(source, root_.path(), release_, arguments);
    insert(0);
}

std::string dvd_release::archive_of(const std::string& path) const
{
    const std::string suffix = path.find("Global Scenery") != std::string::npos ? ".7z" : ".zip";
    for (int number = 1;; ++number) {
        const std::string folder = disk(number);
        if (!file_exists(folder + "dvd_version.txt")) return "";
        const std::string archive = folder + release_ + "/Nimbrel/" + path + suffix;
        if (file_exists(archive)) return archive;
    }
}

std::string dvd_release::manifest() const
{
    return run_shell("unzip -p '" + disk(1) + release_ + "/directory.txt.zip'").out;
}

void dvd_release::insert(int number) const { insert_folder(number > 0 ? disk(number) : root_ / "no disk/"); }

void dvd_release::insert_folder(const std::string& target) const
{
    // A link renamed over the drive: the program never sees it half made.
    const std::string link = root_ / "drive.new";
    ::unlink(link.c_str());
    if (::symlink(target.c_str(), link.c_str()) != 0 ||
        std::rename(link.c_str(), (root_ / "drive").c_str()) != 0)
        perror("dvd_release::insert");
}

}  // namespace testing_support
