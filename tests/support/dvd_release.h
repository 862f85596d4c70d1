// A set of install DVDs made by the release tool from files a test names,
// and the drive: a folder the program finds through NIMBREL_DVD, into which
// the test puts one disk or none.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

class dvd_release {
public:
    // `files`: path below the release's top folder "Nimbrel" -> contents;
    // one that begins with "#!" is a script the copy runs, made executable.
    // The tool puts the simulator on the first disk and the scenery tiles
    // ("Global Scenery/...") by sector on the others; `more` are further
    // arguments of the tool ("--dvd-disk-of", prefix, disk).
    dvd_release(const std::map<std::string, std::string>& files, int disks,
                const std::string& release = "Nimbrel 9 Test",
                const std::vector<std::string>& more = {});
    // The same from the files below `source` (ending in "/").
    dvd_release(const std::string& source, int disks, const std::string& release);
    // The sample release (tools/make_sample_release.py) as `disks` DVDs:
    // `small_files` in nested folders, `large_files` of `large_mb` each.
    dvd_release(int small_files, int large_files, int large_mb, int disks);
    dvd_release(const dvd_release&) = delete;
    dvd_release& operator=(const dvd_release&) = delete;

    const std::string& release() const { return release_; }
    // The tool's complaint; "" when the set was made.
    const std::string& error() const { return error_; }
    // Disk `number` as a user counts them (1 is the first), ending in "/".
    std::string disk(int number) const { return root_ / ("disk" + std::to_string(number) + "/"); }
    // The archive of a file (path below "Nimbrel") on the disk that holds it.
    std::string archive_of(const std::string& path) const;
    // The manifest the disks carry, unpacked.
    std::string manifest() const;

    // The drive, ending in "/": NIMBREL_DVD names it.
    std::string drive() const { return root_ / "drive/"; }
    // Puts disk `number` in the drive (0: takes the disk out), at once as
    // the program sees it.
    void insert(int number) const;
    // Puts any folder in the drive: a disk of another kind, or a damaged one.
    void insert_folder(const std::string& folder) const;
    // The environment entry that points the program at the drive.
    std::string environment() const { return "NIMBREL_DVD=" + drive(); }

private:
    void make(const std::string& source, int disks, const std::vector<std::string>& more = {});

    scratch_dir root_;
    std::string release_;
    std::string error_;
};


}  // namespace testing_support
