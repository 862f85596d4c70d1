// The command line: options of the form NAME or NAME=VALUE, kept by name.
//
// Parsed once at start-up on the main thread, read-only afterwards, so any
// thread may ask for an option without a lock.  The command line does not
// know which options exist: the part concerned asks for its own.
#pragma once

#include <map>
#include <string>

class UTL_cmdline {
public:
    // Every argument after the program's path, then init_common.
    void init_unix(int argc, const char** argv);
    // One string cut at white space (no quoting), then init_common.
    void init_win(const char* line);
    // Acts on "--cmnds", "--version", "-h" and "--help", each of which ends
    // the program with exit code 0; returns when none was given.
    void init_common();

    int has_option(const char* name) const;
    // "" when not given or given without a value.
    std::string get_option(const char* name) const;

private:
    void store(const std::string& name, const std::string& value);

    std::map<std::string, std::string> options_;
};

extern UTL_cmdline cmdline;

// What "--help" prints.
extern const char* const kCmdlineUsage;
