// One private folder under /tmp for a fuzz target's files, made on first
// use and removed when libFuzzer exits at the end of its time.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

// The folder's path, ending in "/".
inline const std::string& fuzz_scratch_folder()
{
    static const std::string folder = [] {
        char made[] = "/tmp/nimbrel-fuzz-XXXXXX";
        if (!::mkdtemp(made)) std::abort();
        return std::string(made) + "/";
    }();
    static const bool removed_at_exit = [] {
        return std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }) == 0;
    }();
    (void)removed_at_exit;
    return folder;
}
