// Handing over to another program: the simulator, or a copy of the
// installer taken off the DVD.
#pragma once

#include <string>

// Starts the program file `app`, passing "-path" and `folder` when `folder`
// is not empty, then ends the installer (after the orderly shut-down when
// `shut_down` is non-zero) with status 1.  Returns only when the program
// cannot be started: with the error number, having logged why.
int launch_app(const std::string& app, const std::string& folder, int shut_down);
