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

}  // namespace testing_support
