// The archive builders of the shared kit, and the log while a test reads it.
#pragma once

#include "archive_builders.h"
#include "test_support.h"

namespace archive_fixtures {

// The log while it lives, in a file of its own.
class captured_log {
public:
    captured_log();
    ~captured_log();
    // Everything logged so far.
    std::string text();

private:
    testing_support::scratch_dir dir_;
};

}  // namespace archive_fixtures
