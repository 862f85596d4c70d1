// bench_md5_tree THREADS < LIST: the MD5 signature of every file named on
// standard input (one path a line), on THREADS threads each taking the next
// file, as the checksum workers do.  Prints "sum  path" lines like md5sum.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "core/files/file_checksum.h"

int main(int argc, char** argv)
{
    int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    std::vector<std::string> paths;
    for (std::string line; std::getline(std::cin, line);)
        if (!line.empty()) paths.push_back(line);

    std::vector<std::string> sums(paths.size());
    std::atomic<size_t> next{0};
    std::atomic<int> failed{0};
    auto work = [&] {
        for (size_t i; (i = next++) < paths.size();)
            if (calc_file_md5(paths[i], sums[i]) != 0) ++failed;
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();

    for (size_t i = 0; i < paths.size(); ++i)
        std::printf("%s  %s\n", sums[i].c_str(), paths[i].c_str());
    return failed ? 1 : 0;
}
