// What the graphics tests share: alerts recorded instead of shown, the log
// captured into a string, and the command line set per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alert_recorder.h"
#include "core/diag/log_stream.h"
#include "core/text/cmdline.h"
#include "test_support.h"

namespace gfx_test {

// Alerts are recorded, fatal ones too, and the call returns: the code
// under test must then leave the failing call by itself, which the tests
// check.
using alert = testing_support::recorded_alert;
// Those of the `captured` alive; none without one.
inline std::vector<alert>& alerts()
{
    static std::vector<alert> none;
    testing_support::alert_recorder* r = testing_support::alert_recorder::innermost();
    return r ? r->alerts() : none;
}

// Alerts recorded, the log written to a private file, and the command line
// given by the test; everything restored afterwards.
class captured {
public:
    explicit captured(std::vector<const char*> options = {})
    {
        xer.open(dir_ / "log.txt");
        std::vector<const char*> argv{"nimbrel"};
        argv.insert(argv.end(), options.begin(), options.end());
        cmdline = UTL_cmdline();
        cmdline.init_unix(static_cast<int>(argv.size()), argv.data());
    }
    ~captured()
    {
        xer.close();
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
    testing_support::alert_recorder alerts_;
    testing_support::scratch_dir dir_;
};

}  // namespace gfx_test
