// The X display that tests which need one draw on.
#pragma once

#include <string>

namespace testing_support {

// DISPLAY when the developer set it, else the display of the build's shared
// Xvfb (started by the CTest fixture "xvfb").  Empty when there is neither:
// the caller then skips or fails with that reason.
std::string display_for_tests();

}  // namespace testing_support
