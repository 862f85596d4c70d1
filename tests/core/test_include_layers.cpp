// The house's layers as the sources state them: a subsystem includes only
// itself and those below it (core < engine, gfx < shell < widgets < wizard),
// its CMake target declares every subsystem it includes, and the core holds
// no include cycle (a file pair .h/.cpp counts as one module).  Upward calls
// go through hooks the lower subsystem owns; a stray include would let them
// creep back in unseen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path source_root = fs::path(NIMBREL_SOURCE_DIR) / "src";

// What each subsystem may include besides itself.
const std::map<std::string, std::set<std::string>> below = {
    {"core", {}},
    {"engine", {"core"}},
    {"gfx", {"core"}},
    {"shell", {"core", "engine", "gfx"}},
    {"widgets", {"core", "engine", "gfx", "shell"}},
    {"wizard", {"core", "engine", "gfx", "shell", "widgets"}},
};

std::string read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

struct include_line {
    std::string file;    // below src/, as "core/diag/log_stream.cpp"
    std::string target;  // as written: "core/shell_hooks.h"
};

// Every `#include "..."` of a subsystem's sources.
std::vector<include_line> includes_of(const std::string& subsystem)
{
    static const std::regex include_re(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<include_line> found;
    for (const auto& entry : fs::recursive_directory_iterator(source_root / subsystem)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        std::istringstream lines(read(entry.path()));
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (std::regex_search(line, m, include_re))
                found.push_back({fs::relative(entry.path(), source_root).string(), m[1]});
        }
    }
    return found;
}

std::string subsystem_of(const std::string& path) { return path.substr(0, path.find('/')); }

std::string module_of(const std::string& path) { return fs::path(path).replace_extension().string(); }

TEST(IncludeLayers, EveryIncludePointsDownTheLayers)
{
    for (const auto& [subsystem, allowed] : below)
        for (const include_line& inc : includes_of(subsystem)) {
            const std::string target = subsystem_of(inc.target);
            if (!below.count(target) || target == subsystem) continue;
            EXPECT_TRUE(allowed.count(target)) << inc.file << " includes " << inc.target << ": " << target
                                               << " lies above " << subsystem << "; call it through a hook";
        }
}

// The library's link line is what the build trusts; an include of a
// subsystem the target does not declare links only by luck of order.
TEST(IncludeLayers, EverySubsystemDeclaresTheSubsystemsItIncludes)
{
    for (const auto& [subsystem, allowed] : below) {
        const std::string cmake = read(source_root / subsystem / "CMakeLists.txt");
        std::set<std::string> used;
        for (const include_line& inc : includes_of(subsystem)) used.insert(subsystem_of(inc.target));
        for (const std::string& other : allowed) {
            if (!used.count(other)) continue;
            EXPECT_NE(cmake.find("nimbrel_" + other), std::string::npos)
                << "src/" << subsystem << "/CMakeLists.txt does not declare nimbrel_" << other
                << ", which its sources include";
        }
    }
}

// Depth-first search for a path that leads back to where it started.
bool finds_cycle(const std::map<std::string, std::set<std::string>>& graph, const std::string& node,
                 std::map<std::string, int>& state, std::vector<std::string>& path)
{
    state[node] = 1;
    path.push_back(node);
    const auto edges = graph.find(node);
    if (edges != graph.end())
        for (const std::string& next : edges->second) {
            if (state[next] == 1) {
                path.erase(path.begin(), std::find(path.begin(), path.end(), next));
                path.push_back(next);
                return true;
            }
            if (state[next] == 0 && finds_cycle(graph, next, state, path)) return true;
        }
    state[node] = 2;
    path.pop_back();
    return false;
}

TEST(IncludeLayers, TheCoreHoldsNoIncludeCycle)
{
    std::map<std::string, std::set<std::string>> graph;
    for (const include_line& inc : includes_of("core")) {
        const std::string from = module_of(inc.file), to = module_of(inc.target);
        if (subsystem_of(inc.target) == "core" && from != to) graph[from].insert(to);
    }
    ASSERT_FALSE(graph.empty()) << "no includes read below " << source_root;
    std::map<std::string, int> state;
    for (const auto& entry : graph) {
        std::vector<std::string> path;
        if (state[entry.first] == 0 && finds_cycle(graph, entry.first, state, path)) {
            std::string cycle;
            for (const std::string& m : path) cycle += (cycle.empty() ? "" : " -> ") + m;
            ADD_FAILURE() << "include cycle: " << cycle;
            return;
        }
    }
}

}  // namespace
