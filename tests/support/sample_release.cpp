#include "sample_release.h"


#include <sstream>

namespace testing_support {

sample_release::sample_release(int small_files, int large_files, int large_mb)
    : tool_{"/usr/bin/env", "python3", NIMBREL_SOURCE_DIR "/tools/make_sample_release.py", dir_ / "www/",
            "--small", std::to_string(small_files), "--large", std::to_string(large_files), "--large-mb",
            std::to_string(large_mb), "--tag", dir_.path()},
      webroot_(dir_ / "www/")
{
    run_tool({});
}

bool sample_release::run_tool(const std::vector<std::string>& more)
{
    std::vector<std::string> command = tool_;
    command.insert(command.end(), more.begin(), more.end());
    const run_result made = run_program(command);
    if (made.status != 0) problem_ = "the sample release was not made:\n" + made.out;
    return made.status == 0;
}

bool sample_release::make_update()
{
    if (!made() || !run_tool({"--update"})) return false;
    release_ = "Demo_901";
    return true;
}

std::vector<std::pair<std::string, std::string>> sample_release::update_changes() const
{
    std::istringstream lines(read_file(webroot_ + "update.txt"));
    std::vector<std::pair<std::string, std::string>> changes;
    for (std::string kind, path; lines >> kind && std::getline(lines >> std::ws, path);)
        changes.emplace_back(kind, path);
    return changes;
}

std::string sample_release::manifest() const
{
    return run_program({"unzip", "-p", release_folder() + "directory.txt.zip"}).out;
}

std::vector<std::pair<std::string, std::string>> sample_release::installed_files() const
{
    std::istringstream wanted(read_file(webroot_ + "release.txt"));
    const std::map<std::string, std::string> by_path = signatures();
    std::vector<std::pair<std::string, std::string>> files;
    for (std::string path; std::getline(wanted, path);) {
        const auto entry = by_path.find(path);
        if (entry != by_path.end()) files.push_back(*entry);
    }
    return files;
}

std::map<std::string, std::string> sample_release::signatures() const
{
    std::istringstream lines(manifest());
    // A file's last line is its current version.
    std::map<std::string, std::string> by_path;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, a, b, c, d, e, md5, path;
        if (!(words >> kind >> a >> b >> c >> d >> e >> md5) || kind != "FILE") continue;
        std::getline(words >> std::ws, path);
        by_path[path.substr(path.find('/') + 1)] = md5;
    }
    return by_path;
}

bool sample_release::serve(const std::string& extra, int workers)
{
    if (!made()) return false;
    // The second download server holds the first one's files.
    server_ = std::make_unique<nginx_server>(
        webroot_, "location /mirror/ { alias " + webroot_ + "demo/; }\n" + extra, workers);
    if (!server_->running()) problem_ = "nginx did not start:\n" + server_->error_log();
    return server_->running();
}

std::string sample_release::slowed(const std::string& folder, const std::string& rate) const
{
    const std::string path = release_ + "/" + folder;
    return "location /demo/" + path + " { limit_rate " + rate + "; }\n" + "location /mirror/" + path +
           " { alias " + release_folder() + folder + "; limit_rate " + rate + "; }\n";
}

bool sample_release::manifest_in(const std::string& run_folder) const
{
    return !run_folder.empty() && file_exists(run_folder + "directory.txt") &&
           read_file(run_folder + "directory.txt") == manifest();
}

std::vector<std::string> proxy_arguments(unsigned short port)
{
    const std::string p = std::to_string(port);
    return {"--pref:_proxy_host=127.0.0.1", "--pref:_proxy_port=" + p, "--pref:_proxy_port_int=" + p};
}

}  // namespace testing_support
