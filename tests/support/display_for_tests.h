// The X display that tests which need one draw on.
#pragma once

#include <string>

namespace testing_support {

// DISPLAY when the developer set it; else, for a test program that CTest
// runs with NIMBREL_OWN_X_SERVER set, an Xvfb of its own, started on the
// first call and stopped when the program ends; else the display of the
// build's shared Xvfb (started by the CTest fixture "xvfb").  Empty when
// there is none: the caller then skips or fails with that reason.
//
// Tests that drive a program's window need a server of their own to run
// beside each other: the pointer, the keyboard focus and the window names
// they search for belong to the whole server.
std::string display_for_tests();

}  // namespace testing_support
