// Install DVDs for the tests: folders that look like mounted disks, each
// with its version file, the zipped manifest and the archives of the files
// the manifest puts on it, made at run time from the files' contents.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

namespace engine_testing {

struct dvd_file {
    std::string path;      // manifest path, top folder first
    std::string contents;
    int disk = 0;          // manifest disk number: 0 is the first DVD
};

// The release "Nimbrel 9 Test" on as many disks as its files name.  Disk
// folders are root/disk1/, root/disk2/, ... (labelled as a user counts).
class dvd_set {
public:
    explicit dvd_set(const std::vector<dvd_file>& files,
                     const std::string& release = "Nimbrel 9 Test");
    dvd_set(const dvd_set&) = delete;
    dvd_set& operator=(const dvd_set&) = delete;

    // The folder of the disk with manifest number `disk`, ending in "/".
    std::string disk_folder(int disk) const;
    // Where a file's archive lies on its disk.
    std::string archive_of(const dvd_file& file) const;
    const std::string& release() const { return release_; }
    // The manifest text as the disks carry it.
    const std::string& manifest() const { return manifest_; }

    // Reads the manifest into sim_info as the DVD road would.
    void load_manifest() const;

private:
    testing_support::scratch_dir root_;
    std::string release_;
    std::string manifest_;
};

// The version file of an install DVD naming `release`.
std::string dvd_version_text(const std::string& release);

// The log stream redirected into a scratch file while it lives.
class log_capture {
public:
    log_capture();
    ~log_capture();
    // Everything every thread logged so far.
    std::string text();

private:
    testing_support::scratch_dir dir_;
};

}  // namespace engine_testing
