// bench_gate_turns FILES ORDER COPY_DIR < LIST: an update of one large
// folder through the copy's gate, as the download pump runs it.  COPY_DIR
// (ending in "/") gets a folder "flat" of FILES files (o0.dat, o1.dat, ...;
// not timed); then half of them are deleted through copy_delete and as
// many new files installed through copy_install, from the archives LIST
// names (one a line as bench_copy_gate reads them, its paths "flat/...").
// ORDER "turns" deletes one and installs one in turn, as a manifest sorted
// by path puts GONE lines and new files of one folder; "apart" deletes
// every one first.  Prints the processor time of the deletions and
// installs, user and system together.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/diag/error_codes.h"
#include "engine/copy_gate.h"
#include "engine/installer_state.h"

namespace {

double process_seconds()
{
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) * 1e-6;
}

file_version_struct old_file(std::size_t i)
{
    file_version_struct version;
    version.path = "top/flat/o" + std::to_string(i) + ".dat";
    return version;
}

int install(const std::string& line)
{
    std::istringstream fields(line);
    std::string archive, sum, kilobytes, path;
    std::getline(fields, archive, '\t');
    std::getline(fields, sum, '\t');
    std::getline(fields, kilobytes, '\t');
    std::getline(fields, path);
    file_version_struct version;
    version.sig_want = sum;
    version.installed_size = std::stof(kilobytes);
    version.path = "top/" + path;
    const int err = copy_install(archive, version, nullptr);
    if (err) std::fprintf(stderr, "%s: %s (%d)\n", archive.c_str(), error_str(err).c_str(), err);
    return err;
}

int delete_old(std::size_t i)
{
    const int err = copy_delete(old_file(i));
    if (err) std::fprintf(stderr, "o%zu.dat: %s (%d)\n", i, error_str(err).c_str(), err);
    return err;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string order = argc == 4 ? argv[2] : "";
    if (order != "turns" && order != "apart") {
        std::fprintf(stderr, "usage: bench_gate_turns FILES turns|apart COPY_DIR < LIST\n");
        return 2;
    }
    const std::size_t files = std::stoul(argv[1]), half = files / 2;
    std::vector<std::string> lines;
    for (std::string line; lines.size() < half && std::getline(std::cin, line);) lines.push_back(line);
    if (lines.size() < half) {
        std::fprintf(stderr, "LIST names %zu archives, not %zu\n", lines.size(), half);
        return 2;
    }
    dest_dir_path = argv[3];
    const std::string folder = dest_dir_path + "flat/";
    if (::mkdir(folder.c_str(), 0755) != 0) {
        std::perror(folder.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < files; ++i) {
        const int fd = ::open((folder + "o" + std::to_string(i) + ".dat").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0 || ::write(fd, "old\n", 4) != 4 || ::close(fd) != 0) {
            std::perror(folder.c_str());
            return 1;
        }
    }
    if (int err = copy_gate_open()) {
        std::fprintf(stderr, "%s: %s\n", argv[3], error_str(err).c_str());
        return 1;
    }
    const double start = process_seconds();
    if (order == "turns") {
        for (std::size_t i = 0; i < half; ++i)
            if (delete_old(i) || install(lines[i])) return 1;
    } else {
        for (std::size_t i = 0; i < half; ++i)
            if (delete_old(i)) return 1;
        for (std::size_t i = 0; i < half; ++i)
            if (install(lines[i])) return 1;
    }
    std::printf("seconds %.6f\n", process_seconds() - start);
    return 0;
}
