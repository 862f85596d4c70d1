// The manifest reader on arbitrary bodies behind a valid header (a header
// it rejects only makes the manifest damaged, or leads to the newer-format
// notice and its browser).
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "alert_recorder.h"
#include "engine/install_filter.h"
#include "engine/manifest.h"
#include "scratch_folder.h"

namespace {

std::string manifest_path()
{
    static const std::string path = [] {
        testing_support::alerts_silenced();
        return fuzz_scratch_folder() + "directory.txt";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = manifest_path();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "I\n" << (size && (data[0] & 1) ? 840 : 900) << " version\nINSTALLER\n";
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    read_directory(path, "");
    // What the wizard runs next on the same data.
    recalc_disk_sizes();
    scenery_take_all();
    scenery_from_install();
    for (std::size_t h = 0; h < sim_info.size(); ++h) suffix_for_file(static_cast<int>(h));
    return 0;
}
