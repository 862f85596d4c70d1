// Files a program under test cannot open until the test lets it: the
// program, started with environment(), waits in every open of a regular
// file below the folder while this holds (a small library preloaded into
// it, tests/support/preload).  A scan caught on its first file cannot end
// before the test has acted, however fast the machine:
//
//   held_opens hold(copy + "big/");
//   ASSERT_TRUE(hold.active()) << hold.problem();
//   road.with_environment(hold.environment());
//   ... start the program and its scan ...
//   ASSERT_TRUE(hold.wait_for_open(30));      // the scan is reading, and waits
//   ASSERT_TRUE(road.press_seen(button_bar::go_back));
//   hold.release();                           // the scan may go on, or stop
//
// It needs no privilege.  Only programs started with environment() wait,
// and each lets go by itself once this object is gone, also when the whole
// test was killed.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

class held_opens {
public:
    explicit held_opens(const std::string& folder);
    ~held_opens();  // lets everything go
    held_opens(const held_opens&) = delete;
    held_opens& operator=(const held_opens&) = delete;

    // False when opens cannot be held (problem() says why).
    bool active() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }

    // What a program needs in its environment for its opens to be held
    // ("NAME=value" each).
    std::vector<std::string> environment() const;

    // True once a program waits on an open below the folder, within
    // `seconds`.
    bool wait_for_open(double seconds) const;
    // Lets every waiting open go, and every later one.
    void release();

private:
    std::string below_;  // the folder as the kernel names it, ending in "/"
    scratch_dir notes_;
    // The programs wait until they read the end of this pipe: they inherit
    // its reading end, the test alone keeps the writing one.
    int gate_[2] = {-1, -1};
    std::string problem_;
};

}  // namespace testing_support
