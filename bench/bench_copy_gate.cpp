// bench_copy_gate COPY_DIR < LIST: installs files into the copy at COPY_DIR
// (ending in "/") through the copy's gate, as the pumps do, MD5 check
// included; the folders are made through the gate first, as make_dirs
// makes them, unless they are there.  LIST has one file a line: archive
// path, MD5, installed kilobytes and the path below the copy, separated by
// tabs.
#include <cstdio>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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
    std::vector<std::string> lines;
    std::set<std::string> folders;
    for (std::string line; std::getline(std::cin, line);) {
        lines.push_back(line);
        const size_t slash = line.rfind('/'), tab = line.rfind('\t');
        if (slash != std::string::npos && tab != std::string::npos && slash > tab)
            folders.insert(line.substr(tab + 1, slash - tab));
    }
    for (const std::string& folder : folders) {
        // Each level, shallowest first, as make_dirs goes.
        for (size_t at = folder.find('/'); at != std::string::npos; at = folder.find('/', at + 1))
            if (int err = copy_make_folder(dest_dir_path + folder.substr(0, at + 1))) {
                std::fprintf(stderr, "%s: %s\n", folder.c_str(), error_str(err).c_str());
                return 1;
            }
    }
    for (const std::string& line : lines) {
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
