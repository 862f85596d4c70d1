// What the search for an install disk costs while no disk serves, as the
// hub makes it every frame: COUNT folders that each hold a version file
// but that others may write, each a mount point of a table of the
// program's own, and the real disk last.  bench/run_dvd_search compiles it
// against a base commit's libraries and this build's and takes turns.
//
//   bench_dvd_search FORMAT COUNT ROUNDS DIR
//       FORMAT is the table's, "mounts" (as /proc/self/mounts) or
//       "mountinfo" (as /proc/self/mountinfo), whichever the build reads.
//
// Prints "first SECONDS" (the first search) and "again SECONDS" (one of
// ROUNDS searches made after it, on average), in processor time.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "engine/dvd_mounts.h"

namespace {

double processor_seconds()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void write_version(const std::string& folder, mode_t mode)
{
    ::mkdir(folder.c_str(), 0755);
    std::ofstream(folder + "/dvd_version.txt") << "I\n900 version\nDVD\nVERSION Bench\n";
    ::chmod(folder.c_str(), mode);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_dvd_search mounts|mountinfo COUNT ROUNDS DIR\n");
        return 2;
    }
    const std::string format = argv[1], dir = std::string(argv[4]) + "/";
    const int count = std::atoi(argv[2]), rounds = std::atoi(argv[3]);
    std::ofstream table(dir + "table");
    for (int i = 0; i <= count; ++i) {
        const std::string folder = dir + (i < count ? "shared" + std::to_string(i) : std::string("disk"));
        write_version(folder, i < count ? 0777 : 0755);
        if (format == "mounts")
            table << "tmpfs " << folder << " tmpfs rw 0 0\n";
        else
            table << (1 << 24) + i << " 1 0:0 / " << folder << " rw - tmpfs tmpfs rw\n";
    }
    table.close();
    ::unsetenv("NIMBREL_DVD");
    dvd_search_places places;
    places.mount_table = dir + "table";
    places.roots.clear();
    UTIL_set_dvd_search_places(places);

    std::vector<std::string> found;
    double start = processor_seconds();
    UTIL_list_dvd_folders(found);
    const double first = processor_seconds() - start;
    if (found.size() != 1) {
        std::fprintf(stderr, "found %zu disks, not the one\n", found.size());
        return 1;
    }
    start = processor_seconds();
    for (int i = 0; i < rounds; ++i) UTIL_list_dvd_folders(found);
    std::printf("first %.6f\nagain %.6f\n", first, (processor_seconds() - start) / rounds);
    return 0;
}
