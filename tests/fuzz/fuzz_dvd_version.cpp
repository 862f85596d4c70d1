// The install DVD's version file, behind a valid header or none, and the
// mount table the disk search reads: both come from outside the program.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "engine/dvd_media.h"
#include "engine/dvd_mounts.h"
#include "scratch_folder.h"

namespace {

const std::string& scratch_folder()
{
    static const std::string& folder = [] () -> const std::string& {
        const std::string& made = fuzz_scratch_folder();
        ::unsetenv("NIMBREL_DVD");
        UTIL_set_dvd_search_places({made + "mounts", {}});
        return made;
    }();
    return folder;
}

void write(const std::string& path, const std::string& head, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = scratch_folder();
    const bool with_header = size && (data[0] & 1);
    write(folder + "dvd_version.txt", with_header ? "I\n900 version\nDVD\n" : "", data, size);
    std::string name;
    bool found = false;
    read_dvd_version_file(folder + "dvd_version.txt", name, found);

    write(folder + "mounts", "", data, size);
    std::string dvd = UTIL_find_dvd_path();
    (void)dvd;
    return 0;
}
