// The log stream redirected into a scratch file for one test.
#pragma once

#include <string>

#include "core/diag/log_stream.h"
#include "test_support.h"

class log_capture {
public:
    log_capture() { xer.open(dir_ / "log.txt"); }
    ~log_capture() { xer.close(); }
    // Everything logged so far by every thread.
    std::string text()
    {
        xer << std::flush;
        return testing_support::read_file(dir_ / "log.txt");
    }

private:
    testing_support::scratch_dir dir_;
};
