// How fast read_directory turns a manifest into version histories, against
// awk on the same file: lines per second, and the ratios; and the memory
// the histories hold, in bytes a manifest line.
//
//   bench_manifest_read [LINES]      (default 1,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

#include "engine/manifest.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The time this thread was on a processor: on a busy machine the fair
// measure of its work.
double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A release-like manifest: folders of a few hundred files, most files with
// one or two older versions, a band of scenery tiles.
long write_manifest(const std::string& path, long lines)
{
    std::ofstream out(path, std::ios::binary);
    out << "I\n900 version\nINSTALLER\n\n";
    long written = 0, file = 0;
    char line[256];
    while (written < lines) {
        if (file % 300 == 0) {
            out << "DIR Nimbrel 9/Resources/folder " << file / 300 << "/\n";
            ++written;
        }
        const int versions = 1 + static_cast<int>(file % 3);
        for (int v = 0; v < versions && written < lines; ++v, ++written) {
            if (file % 50 == 0)
                std::snprintf(line, sizeof line,
                              "FILE 1 0 %d 4321 98765 %032lx Global Scenery/+%02ld+%03ld/+%02ld+%03ld.dsf\n",
                              v, file * 7919 + v, file % 80, file % 170, file % 80, file % 170);
            else
                std::snprintf(line, sizeof line,
                              "FILE 1 %d %d 123 4567 %032lx objects/file_%ld_of_this_folder.obj\n",
                              static_cast<int>(file % 4), v, file * 7919 + v, file);
            out << line;
        }
        ++file;
    }
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    char folder[] = "/tmp/nimbrel-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string path = std::string(folder) + "/directory.txt";
    write_manifest(path, lines);

    // Warm the page cache for both readers.
    std::system(("cat '" + path + "' > /dev/null").c_str());

    // Small blocks and the large ones malloc maps by themselves.
    auto heap_in_use = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
    const size_t heap_before = heap_in_use();
    auto start = std::chrono::steady_clock::now();
    const double processor_start = thread_seconds();
    const int status = read_directory(path, "");
    const double ours = seconds_since(start);
    const double processor = thread_seconds() - processor_start;
    const double held = static_cast<double>(heap_in_use() - heap_before);

    // Two awk runs bracket the job: one only splits the lines into fields,
    // the other also keeps each path with its count of versions and its
    // current signature, most of what we keep.
    const std::string quoted = " '" + path + "' > /dev/null";
    start = std::chrono::steady_clock::now();
    const int fields = std::system(("awk '$1 == \"FILE\" { n++; s += $5 } END { print n, s }'" + quoted).c_str());
    const double fields_time = seconds_since(start);
    start = std::chrono::steady_clock::now();
    const int grouped = std::system(
        ("awk '$1 == \"FILE\" { p = substr($0, index($0, $7) + 33); n[p]++; sig[p] = $7 }"
         " END { print length(n) }'" + quoted).c_str());
    const double grouped_time = seconds_since(start);

    std::printf("manifest of %ld lines, %zu histories (status %d)\n", lines, sim_info.size(), status);
    std::printf("read_directory:           %.3f s, %.2f million lines/s (processor %.3f s, %.2f million lines/s)\n",
                ours, lines / ours / 1e6, processor, lines / processor / 1e6);
    std::printf("held in memory:           %.0f MiB, %.0f bytes a line\n", held / 1048576, held / lines);
    if (fields == 0)
        std::printf("awk, fields only:         %.3f s, %.2f million lines/s (read_directory %.2fx)\n",
                    fields_time, lines / fields_time / 1e6, fields_time / ours);
    if (grouped == 0)
        std::printf("awk, versions by path:    %.3f s, %.2f million lines/s (read_directory %.2fx)\n",
                    grouped_time, lines / grouped_time / 1e6, grouped_time / ours);
    unlink(path.c_str());
    rmdir(folder);
    return status == kDirectoryRead ? 0 : 1;
}
