#include "archive_fixtures.h"

#include "core/diag/log_stream.h"

namespace archive_fixtures {

captured_log::captured_log() { xer.open(dir_ / "log.txt"); }

captured_log::~captured_log() { xer.close(); }

std::string captured_log::text()
{
    xer << std::flush;
    return testing_support::read_file(dir_ / "log.txt");
}

}  // namespace archive_fixtures
