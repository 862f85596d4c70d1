#include "core/text/cmdline.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"

UTL_cmdline cmdline;

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

void print_commands(const std::string& value)
{
    if (value == "all") {
        std::vector<std::string> names, descriptions;
        UTL_list_commands(names, descriptions);
        for (size_t i = 0; i < names.size(); ++i)
            std::printf("%-50s %s\n", names[i].c_str(),
                        i < descriptions.size() ? descriptions[i].c_str() : "");
        return;
    }
    std::vector<std::string> entries;
    UTL_commands_in_path(value, entries);
    std::sort(entries.begin(), entries.end());
    for (const std::string& e : entries) std::printf("%s\n", e.c_str());
}

}  // namespace

void UTL_cmdline::store(const std::string& name, const std::string& value)
{
    if (options_.count(name))
        xer << "WARNING: command line option " << name << "=" << value << "used twice.\n";
    options_[name] = value;
    xer << "     '" << name;
    if (!value.empty()) xer << "'='" << value;
    xer << "'\n";
}

void UTL_cmdline::init_unix(int argc, const char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        size_t eq = arg.find('=');
        if (eq == std::string::npos)
            store(arg, std::string());
        else
            store(arg.substr(0, eq), arg.substr(eq + 1));
    }
    init_common();
}

void UTL_cmdline::init_win(const char* line)
{
    const char* p = line;
    for (;;) {
        while (*p && is_space(*p)) ++p;
        if (!*p) break;
        const char* name = p;
        while (*p && !is_space(*p) && *p != '=') ++p;
        std::string key(name, p);
        std::string value;
        if (*p == '=') {
            const char* v = ++p;
            while (*p && !is_space(*p)) ++p;
            value.assign(v, p);
        }
        if (!key.empty()) store(key, value);
    }
    init_common();
}

void UTL_cmdline::init_common()
{
    if (has_option("--cmnds")) {
        print_commands(get_option("--cmnds"));
        std::exit(0);
    }
    if (has_option("--version")) std::exit(0);
    if (has_option("-h") || has_option("--help")) {
        std::printf("%s\n", kCmdlineUsage);
        std::exit(0);
    }
}

int UTL_cmdline::has_option(const char* name) const { return options_.count(name) ? 1 : 0; }

std::string UTL_cmdline::get_option(const char* name) const
{
    auto found = options_.find(name);
    return found == options_.end() ? std::string() : found->second;
}
