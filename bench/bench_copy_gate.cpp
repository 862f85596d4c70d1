// bench_copy_gate COPY_DIR < LIST: installs files into the copy at COPY_DIR
// (ending in "/", its folders made) through the copy's gate, as the pumps
// do, MD5 check included.  LIST has one file a line: archive path, MD5,
// installed kilobytes and the path below the copy, separated by tabs.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "core/diag/error_codes.h"
#include "engine/copy_gate.h"
#include "engine/installer_state.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_copy_gate COPY_DIR < LIST\n");
        return 2;
    }
    dest_dir_path = argv[1];
    if (int err = copy_gate_open()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error_str(err).c_str());
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream fields(line);
        std::string archive, sum, kilobytes, path;
        file_version_struct version;
        std::getline(fields, archive, '\t');
        std::getline(fields, sum, '\t');
        std::getline(fields, kilobytes, '\t');
        std::getline(fields, path);
        version.sig_want = sum;
        version.installed_size = std::stof(kilobytes);
        version.path = "top/" + path;
        if (int err = copy_install(archive, version, nullptr)) {
            std::fprintf(stderr, "%s: %s (%d)\n", archive.c_str(), error_str(err).c_str(), err);
            return 1;
        }
    }
    return 0;
}
