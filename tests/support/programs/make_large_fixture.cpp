// The fixture step of a test run: makes anew the large fixtures named on the
// command line (testing_support::large_fixture) before any test that needs
// them starts its clock.  A test that needs one says so in its suite's
// CMakeLists.txt (nimbrel_large_fixture); one that does not makes it on
// its own clock, as when a test program is run by hand.
//
//   make_large_fixture NAME...
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "archive_builders.h"
#include "release_tool.h"
#include "test_support.h"

int main(int argc, char** argv)
{
    const std::map<std::string, std::function<std::string()>> makers = {
        {"zeros-zip", archive_fixtures::zeros_zip},
        {"zeros-7z", archive_fixtures::zeros_7z},
        {"zeros-7z-LZMA2-mx9", [] { return archive_fixtures::zeros_7z_at_most("LZMA2"); }},
        {"zeros-7z-LZMA-mx9", [] { return archive_fixtures::zeros_7z_at_most("LZMA"); }},
        {"zeros-7z-PPMd-mx9", [] { return archive_fixtures::zeros_7z_at_most("PPMd"); }},
        {"release-of-2-gib-and-4-kib",
         [] { return testing_support::release_archive_of_zeros(testing_support::kJustOver2GiB); }},
    };
    bool known = argc > 1;
    for (int i = 1; i < argc; ++i) known = known && makers.count(argv[i]);
    if (!known) {
        std::fprintf(stderr, "usage: make_large_fixture NAME..., each one of:\n");
        for (const auto& named : makers) std::fprintf(stderr, "  %s\n", named.first.c_str());
        return 2;
    }
    testing_support::make_large_fixtures_anew();
    for (int i = 1; i < argc; ++i) {
        const std::string path = makers.at(argv[i])();
        if (path.empty()) return 1;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
