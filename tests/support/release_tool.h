// The release tool (tools/make_release.py) for tests: a folder becomes what
// a download server holds, ready for nginx_server to serve.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// Runs the tool on `source` into `webroot` with the release name and any
// further arguments ("--server", host, path, description, "--previous",
// ...).  The tool's output on failure, "" on success.
std::string make_release(const std::string& source, const std::string& webroot,
                         const std::string& release, const std::vector<std::string>& more = {});

// The archive the tool makes at deflate level 1 of "big.bin", a file of
// `bytes` zeros, as the one file of a release: the path of a large fixture
// (large_fixture), "" when the tool failed.
std::string release_archive_of_zeros(long long bytes);
// Past 2 GiB, where a zip entry's 32-bit sizes must be read unsigned.
constexpr long long kJustOver2GiB = (2ll << 30) + 4096;

}  // namespace testing_support
