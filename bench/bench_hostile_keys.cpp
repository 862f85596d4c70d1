// What the tables keyed by a server's or an archive's names cost for names
// built to share a hash, against ordinary names of the same length: the
// manifest's pool as a manifest is read, the scan's stamps as they are
// noted and looked up, the copy's letter-case index as files are made in
// one folder, and in one folder at the end of a path as deep as a
// manifest's paths may go.  bench/run_hostile_keys compiles it against a
// base commit's libraries and this build's and takes turns.
//
//   bench_hostile_keys texts KIND COUNT OUT      writes COUNT texts a line:
//       ordinary_paths, one_hash_paths, ordinary_names, one_hash_names,
//       or one_md5_bucket_paths (whose MD5's first word falls in one
//       bucket of a table COUNT keys filled, searched on every processor)
//   bench_hostile_keys manifest PATHS            read_directory of a manifest of PATHS
//   bench_hostile_keys stamps PATHS              a stamp noted, then looked up, for each, in
//                                                the order noted and in another
//   bench_hostile_keys folder NAMES DIR          each name made in DIR/Objects, made first
//   bench_hostile_keys deep DEPTH NAMES DIR      the same in a folder DEPTH deep, DIR/Objects/ab/ab/...
//
// Each prints "NAME SECONDS" lines of processor time.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/files/confined_folder.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "hostile_texts.h"

namespace {

double thread_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// User and system time of the process, apart.
void process_seconds(double& user, double& system)
{
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    user = static_cast<double>(r.ru_utime.tv_sec) + static_cast<double>(r.ru_utime.tv_usec) * 1e-6;
    system = static_cast<double>(r.ru_stime.tv_sec) + static_cast<double>(r.ru_stime.tv_usec) * 1e-6;
}

std::vector<std::string> read_lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const char kPrefix[] = "Nimbrel/Resources/plugins/";

std::vector<std::string> paths_in_one_md5_bucket(std::size_t count)
{
    std::unordered_map<std::uint64_t, char> filled;
    for (std::size_t i = 0; i < count; ++i) filled[i];
    const std::uint64_t buckets = filled.bucket_count();
    cpu_set_t allowed;
    const unsigned threads = sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 1;
    std::mutex lock;
    std::vector<std::string> found;
    std::atomic<std::uint64_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t)
        workers.emplace_back([&] {
            char path[128];
            for (;;) {
                {
                    std::lock_guard<std::mutex> hold(lock);
                    if (found.size() >= count) return;
                }
                const std::uint64_t first = next.fetch_add(1 << 20);
                for (std::uint64_t n = first; n < first + (1 << 20); ++n) {
                    const int length =
                        std::snprintf(path, sizeof path, "%sfile_x%016llu.dat", kPrefix, static_cast<unsigned long long>(n));
                    if (testing_support::md5_first_word({path, static_cast<std::size_t>(length)}) % buckets == 0) {
                        std::lock_guard<std::mutex> hold(lock);
                        if (found.size() < count) found.push_back(path);
                    }
                }
            }
        });
    for (std::thread& w : workers) w.join();
    return found;
}

int make_texts(const std::string& kind, std::size_t count, const std::string& out_path)
{
    std::vector<std::string> texts;
    if (kind == "ordinary_paths") texts = testing_support::ordinary_texts(count, std::string(kPrefix) + "file_", ".dat");
    else if (kind == "one_hash_paths")
        texts = testing_support::texts_of_one_library_hash(count, std::string(kPrefix) + "file_", ".dat");
    else if (kind == "ordinary_names") texts = testing_support::ordinary_texts(count, "file_", ".dat");
    else if (kind == "one_hash_names") texts = testing_support::texts_of_one_library_hash(count, "file_", ".dat");
    else if (kind == "one_md5_bucket_paths") texts = paths_in_one_md5_bucket(count);
    else return 2;
    std::ofstream out(out_path, std::ios::binary);
    for (const std::string& t : texts) out << t << "\n";
    return out ? 0 : 1;
}

std::string manifest_of(const std::vector<std::string>& paths)
{
    std::string text = "I\n900 version\nINSTALLER\n\n";
    for (const std::string& path : paths) text += "FILE 1 0 0 1 1 0123456789abcdef0123456789abcdef " + path + "\n";
    return text;
}

int read_manifest(const std::vector<std::string>& paths)
{
    char folder[] = "/tmp/nimbrel-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string path = std::string(folder) + "/directory.txt";
    std::ofstream(path, std::ios::binary) << manifest_of(paths);
    const double start = thread_seconds();
    const int status = read_directory(path, "");
    const double read = thread_seconds() - start;
    unlink(path.c_str());
    rmdir(folder);
    if (status != kDirectoryRead || sim_info.size() != paths.size()) return 1;
    std::printf("read %.6f\n", read);
    return 0;
}

int note_and_look_up(const std::vector<std::string>& paths)
{
    const std::string body = manifest_of(paths).substr(std::strlen("I\n900 version\nINSTALLER\n\n"));
    if (read_directory_body(body.data(), body.data() + body.size()) != kDirectoryRead) return 1;
    dest_dir_path = "/";
    scan_stamps_begin(true);
    file_stamp seen;
    seen.present = seen.taken = true;
    double start = thread_seconds();
    for (std::size_t i = 0; i < sim_info.size(); ++i) {
        seen.size = static_cast<long long>(i);
        scan_stamp_note(sim_info[i].back(), seen);
    }
    const double noted = thread_seconds() - start;
    long long sizes = 0;
    start = thread_seconds();
    for (std::size_t i = 0; i < sim_info.size(); ++i) {
        file_stamp judged;
        if (scan_stamp_of(sim_info[i].back(), judged)) sizes += judged.size;
    }
    const double looked_up = thread_seconds() - start;
    // The same in an order unlike the noting's, the same for every build.
    std::vector<std::size_t> order(sim_info.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::mt19937_64 random(1);
    std::shuffle(order.begin(), order.end(), random);
    start = thread_seconds();
    for (std::size_t i : order) {
        file_stamp judged;
        if (scan_stamp_of(sim_info[i].back(), judged)) sizes += judged.size;
    }
    const double shuffled = thread_seconds() - start;
    const long long n = static_cast<long long>(sim_info.size());
    if (sizes != n * (n - 1)) return 1;
    std::printf("note %.6f\nlook_up %.6f\nlook_up_shuffled %.6f\n", noted, looked_up, shuffled);
    return 0;
}

// As the gate makes an archive's files: each name placed (its letter case
// corrected against the index), a file made beside it and renamed into place.
int make_in_folder(const std::vector<std::string>& names, const std::string& dir, int depth = 1)
{
    confined_folder root;
    if (root.open(dir, true) != 0) return 1;
    placed_name at;
    std::string folder = "Objects";
    for (int level = 1; level <= depth; ++level, folder += "/ab")
        if (root.place(folder, at) != 0 || at.make_folder() != 0) return 1;
    folder.resize(folder.size() - 3);
    double user0, system0, user1, system1;
    process_seconds(user0, system0);
    for (const std::string& name : names) {
        if (root.place(folder + "/" + name, at) != 0) return 1;
        std::string temp;
        const int fd = at.create_beside(&temp);
        if (fd < 0) return 1;
        close(fd);
        if (at.commit(temp, 0) != 0) return 1;
    }
    process_seconds(user1, system1);
    std::printf("user %.6f\nsystem %.6f\n", user1 - user0, system1 - system0);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "texts" && argc == 5) return make_texts(argv[2], std::stoul(argv[3]), argv[4]);
    if (mode == "manifest" && argc == 3) return read_manifest(read_lines(argv[2]));
    if (mode == "stamps" && argc == 3) return note_and_look_up(read_lines(argv[2]));
    if (mode == "folder" && argc == 4) return make_in_folder(read_lines(argv[2]), argv[3]);
    if (mode == "deep" && argc == 5) return make_in_folder(read_lines(argv[3]), argv[4], std::stoi(argv[2]));
    std::fprintf(stderr, "usage: see the head of bench/bench_hostile_keys.cpp\n");
    return 2;
}
