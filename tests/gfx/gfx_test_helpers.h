// What the graphics tests share: alerts recorded instead of shown, the log
// captured into a string, and the command line set per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "../core/alert_capture.h"
#include "test_support.h"

namespace gfx_test {

// Alerts are recorded, fatal ones too, and the call returns: the code
// under test must then leave the failing call by itself, which the tests
// check.
using alert = recorded_alert;
inline std::vector<alert>& alerts() { return recorded_alerts(); }

// Alerts recorded, the log written to a private file, and the command line
// given by the test; everything restored afterwards.
class captured {
public:
    explicit captured(std::vector<const char*> options = {})
    {
        alerts().clear();
        set_alert_hook(record_alert_hook);
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
