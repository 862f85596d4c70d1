// The about box starts what the server's installer archive holds: whatever
// the archive, it leaves either nothing or one executable regular file of
// the name it answers, and never anything beside it.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "archive_sandbox.h"
#include "shell/about_box.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    archive_sandbox sandbox("installer.zip", data, size);
    std::string name;
    const int err = about_unpack_installer(sandbox.archive(), sandbox.out_dir(), name, 1 << 20);
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.out_dir())) {
        ++left;
        struct stat st;
        const bool program = ::lstat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0111);
        if (err != 0 || entry.path().filename() != name || !program) {
            std::fprintf(stderr, "left %s after result %d\n", entry.path().c_str(), err);
            std::abort();
        }
    }
    if (err == 0 && left != 1) std::abort();
    return 0;
}
