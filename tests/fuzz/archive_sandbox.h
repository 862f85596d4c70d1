// A private folder per input for the archive fuzz targets: the input is
// written to a file in it and unpacked into its "out/" folder, anything
// that shows up beside the two is an escape, reported as a crash, and the
// folder goes when the input is done.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// A 7z header may ask for a table of any size, and libarchive allocates
// what it asks.  Outside the fuzzer such a request fails (or gets pages
// never touched) and the archive reads as damaged; here the sanitizer must
// say no in the same way rather than call it a crash or fill the memory.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

class archive_sandbox {
public:
    archive_sandbox(const char* archive_name, const uint8_t* data, size_t size)
    {
        char folder[] = "/tmp/nimbrel-fuzz-XXXXXX";
        if (!::mkdtemp(folder)) std::abort();
        root_ = std::string(folder) + "/";
        archive_ = root_ + archive_name;
        std::filesystem::create_directory(out_dir());
        FILE* f = std::fopen(archive_.c_str(), "wb");
        if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
    }
    ~archive_sandbox()
    {
        check_nothing_escaped();
        std::filesystem::remove_all(root_);
    }

    const std::string& archive() const { return archive_; }
    std::string out_dir() const { return root_ + "out/"; }

private:
    void check_nothing_escaped() const
    {
        DIR* dir = ::opendir(root_.c_str());
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name == "." || name == ".." || name == "out" || root_ + name == archive_) continue;
            std::fprintf(stderr, "entry escaped the out folder: %s\n", name.c_str());
            std::abort();
        }
        ::closedir(dir);
    }

    std::string root_;
    std::string archive_;
};
