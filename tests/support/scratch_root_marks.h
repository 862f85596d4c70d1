// What the test kit and the library it preloads into the programs under
// test (preload/run_folder_preload.cpp) agree on, so that the sweep of a
// killed test's scratch root can tell the run folders its programs made.
#pragma once

namespace testing_support {

// A test program's scratch root, ending in "/", in the environment of every
// program it starts.
inline constexpr const char* scratch_root_variable = "NIMBREL_TEST_SCRATCH_ROOT";
// The file in a run folder that a program under test made: the scratch root
// of its test.
inline constexpr const char* run_folder_mark = ".nimbrel-test-root";
// The run folder a program makes under /tmp/ (mkdtemp's pattern).
inline constexpr const char* run_folder_pattern = "/tmp/nimbrel-XXXXXX";

}  // namespace testing_support
