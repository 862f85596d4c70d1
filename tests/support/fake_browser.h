// A stand-in for the desktop's opener (xdg-open), first on PATH while it
// lives, for this process and every program it starts: it notes the
// arguments of each run, one a line, and the descriptors it was handed, and
// ends with the status it was given.  A held one waits until the test
// releases it, so a caller that waited for the browser would be seen to.
#pragma once

#include <string>

#include "test_support.h"

namespace testing_support {

class fake_browser {
public:
    explicit fake_browser(int exit_status = 0, bool held = false);
    // Releases a held run and waits for every run to end.
    ~fake_browser();
    fake_browser(const fake_browser&) = delete;
    fake_browser& operator=(const fake_browser&) = delete;

    // The last run's arguments, waiting up to half a minute for a first run
    // (the opener runs detached: there is nothing to wait on but its
    // traces); "" when it never ran.
    std::string arguments() const;
    // Whether it has run by now, without waiting.
    bool ran() const;
    // How often it has run by now.
    int runs() const;
    // Whether descriptor `fd` was open in the last run.
    bool had_descriptor(int fd) const;

    // A held run goes on to its end (a minute at most without this).
    void release();
    bool finished() const;

private:
    bool opener_running() const;

    scratch_dir dir_;
    std::string saved_path_;
};

}  // namespace testing_support
