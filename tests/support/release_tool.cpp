#include "release_tool.h"

#include <unistd.h>

#include <cstdio>

#include "test_support.h"

namespace testing_support {

std::string make_release(const std::string& source, const std::string& webroot,
                         const std::string& release, const std::vector<std::string>& more)
{
    std::vector<std::string> argv = {"/usr/bin/env", "python3", NIMBREL_SOURCE_DIR "/tools/make_release.py",
                                     source, webroot, "--release", release};
    argv.insert(argv.end(), more.begin(), more.end());
    run_result run = run_program(argv);
    return run.status == 0 ? std::string() : "make_release failed (" + std::to_string(run.status) + "): " + run.out;
}

std::string release_archive_of_zeros(long long bytes)
{
    return large_fixture("zeros-" + std::to_string(bytes) + "-release.zip", [&](const std::string& part) {
        scratch_dir work;
        write_file(work / "source/big.bin", "");
        // Sparse: only the archive is written.
        if (::truncate((work / "source/big.bin").c_str(), bytes) != 0) return false;
        // Level 1 deflates zeros four times as fast as the default.
        const std::string failed = make_release(work / "source", work / "web", "Big", {"--level", "1"});
        if (!failed.empty()) {
            std::fprintf(stderr, "%s\n", failed.c_str());
            return false;
        }
        const std::string archive = work / "web/Big/Nimbrel/big.bin.zip";
        if (!file_exists(archive)) return false;
        write_file(part, read_file(archive));
        return true;
    });
}

}  // namespace testing_support
