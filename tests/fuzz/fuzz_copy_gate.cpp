// The copy's gate takes whatever archive a server or a DVD hands it for one
// manifest line: nothing may land outside the copy, and a file is in place
// afterwards only with the line's signature.  The first byte chooses zip or
// 7z; the rest is the archive.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "archive_sandbox.h"
#include "core/files/file_checksum.h"
#include "engine/copy_gate.h"
#include "engine/installer_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool seven_zip = data[0] & 1;
    archive_sandbox sandbox(seven_zip ? "in.7z" : "in.zip", data + 1, size - 1);
    dest_dir_path = sandbox.out_dir();
    file_version_struct version;
    version.path = "top/a.txt";
    version.sig_want = "c4ca4238a0b923820dcc509a6f75849b";  // the MD5 of "1"
    version.installed_size = 4;
    std::string problem;
    if (copy_install(sandbox.archive(), version, &problem) == 0) {
        std::string sum;
        if (calc_file_md5(sandbox.out_dir() + "a.txt", sum) != 0 || sum != version.sig_want) {
            std::fprintf(stderr, "a file was installed without its signature\n");
            std::abort();
        }
    }
    return 0;
}
