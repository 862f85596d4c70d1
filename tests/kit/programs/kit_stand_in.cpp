// Stands in for the programs of a test that gets killed outright, and for
// the next test program: "test-program" starts as a test program does,
// mounts a small disk in its scratch root and prints "ROOT mounted" (or
// "ROOT unmounted"); "run-folder" makes a run folder as the installer does
// and prints it.  Both then wait to be killed, their work undone.  Anything
// else starts as a test program does and ends.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "scratch_root_marks.h"
#include "test_support.h"

int main(int argc, char** argv)
{
    using namespace testing_support;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run-folder") {
        std::string folder = run_folder_pattern;
        if (!mkdtemp(&folder[0])) return 1;
        std::printf("%s/\n", folder.c_str());
    } else if (mode == "test-program") {
        static const scratch_dir disk;
        static const small_disk small(disk.path(), "64k");
        std::printf("%s %s\n", scratch_root().c_str(), small.mounted() ? "mounted" : "unmounted");
    } else {
        return scratch_root().empty();
    }
    std::fflush(stdout);
    for (;;) ::pause();
}
