// What the graphics tests share: alerts recorded instead of shown, the log
// captured into a string, and the command line set per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cmdline.h"
#include "core/log_stream.h"
#include "core/shell_hooks.h"
#include "test_support.h"

namespace gfx_test {

struct alert {
    std::string line1, line2, line3, line4;
    int level;
};

inline std::vector<alert>& alerts()
{
    static std::vector<alert> all;
    return all;
}

// Records every alert and returns, fatal ones too: the code under test
// must then leave the failing call by itself, which the tests check.
inline void record_alert(int, const std::string& l1, const std::string& l2, const std::string& l3,
                         const std::string& l4, int level, const char*, int)
{
    alerts().push_back({l1, l2, l3, l4, level});
}

// Alerts recorded, the log written to a private file, and the command line
// given by the test; everything restored afterwards.
class captured {
public:
    explicit captured(std::vector<const char*> options = {})
    {
        alerts().clear();
        set_alert_hook(record_alert);
        xer.open(dir_ / "log.txt");
        std::vector<const char*> argv{"nimbrel"};
        argv.insert(argv.end(), options.begin(), options.end());
        cmdline = UTL_cmdline();
        cmdline.init_unix(static_cast<int>(argv.size()), argv.data());
    }
    ~captured()
    {
        xer.close();
        set_alert_hook(nullptr);
        cmdline = UTL_cmdline();
    }
    // What was logged since the start, the command-line echo included.
    std::string log()
    {
        xer << std::flush;
        return testing_support::read_file(dir_ / "log.txt");
    }
    const std::string& folder() const { return dir_.path(); }

private:
    testing_support::scratch_dir dir_;
};

}  // namespace gfx_test
