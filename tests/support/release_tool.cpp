#include "release_tool.h"

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

}  // namespace testing_support
